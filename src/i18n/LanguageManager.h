#pragma once

#include "i18n/TranslationTable.h"

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QString>

#include <functional>

class QComboBox;
class QTranslator;
class QObject;
class QWidget;

// pick() on UTF-8 literals: a text in the language shown now, e.g. a [SYS] line as it is logged
// (lines already logged keep their language).
QString picked(const char *chinese, const char *english);

// The interface language (Chinese or English) of the whole process, switched at run time.
//
// Texts are written in Chinese in the code. Switching to English walks a widget tree and replaces
// each text with its row of a fixed Chinese-to-English table, after remembering the Chinese text in
// a dynamic property of the widget; switching back restores the remembered texts. Texts a page sets
// later are chosen with pick().
class LanguageManager
{
public:
    static LanguageManager &instance();

    bool isEnglish() const;
    // The English row for the text in English mode; otherwise (and for texts without a row) the text.
    QString translate(const QString &text) const;
    QString pick(const QString &chinese, const QString &english) const;

    // Listeners run in registration order after each real change of language.
    // This one runs for the life of the process: its captures must live as long.
    void addListener(std::function<void()> listener);
    // This one is dropped once the context is destroyed, so a page registers with itself as context
    // and may be destroyed at any time. A null context registers nothing that will ever run.
    void addListener(QObject *context, std::function<void()> listener);
    // Takes the index of the language combo box: 0 is Chinese, any other index English.
    void setLanguage(int comboIndex);

    // Stores the text as the widget's "origText" unless it already holds a non-empty one.
    void rememberOriginalText(QWidget *widget, const QString &text);
    // Translates (English) or restores (Chinese) the texts of every descendant and the root's title.
    void retranslateWidget(QWidget *root);
    QComboBox *createLanguageCombo(QWidget *parent);

private:
    struct Listener
    {
        bool guarded = false;
        QPointer<QObject> context;
        std::function<void()> run;

        bool isAlive() const { return !guarded || !context.isNull(); }
    };

    LanguageManager();
    LanguageManager(const LanguageManager &) = delete;
    LanguageManager &operator=(const LanguageManager &) = delete;

    void dropDeadListeners();
    // Qt's own texts (standard buttons, file dialog, socket errors) follow the language too.
    void applyQtTranslations();
    void retranslateOne(QWidget *widget);
    // Remembers `shown` under `property` on `holder` (English only) and calls `show` with the text
    // the holder should now show, unless that is already `shown`. Empty texts are left alone.
    void retranslateText(QObject *holder, const QByteArray &property, const QString &shown,
                         const std::function<void(const QString &)> &show);

    int m_language;
    QList<Listener> m_listeners;
    TranslationTable m_table;
    QList<QPointer<QTranslator>> m_qtTranslators;
};
