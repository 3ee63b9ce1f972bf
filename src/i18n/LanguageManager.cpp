#include "i18n/LanguageManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTabWidget>
#include <QTranslator>
#include <QWidget>

namespace {

enum Language { Chinese = 0, English = 1 };

// Where each widget keeps the Chinese text it showed before the first switch to English.
const QByteArray kOrigTextProperty = QByteArrayLiteral("origText");
const QByteArray kOrigPlaceholderProperty = QByteArrayLiteral("origPH");
const QByteArray kOrigTitleProperty = QByteArrayLiteral("origTitle");
const QByteArray kOrigToolTipProperty = QByteArrayLiteral("origTip");
QByteArray comboItemProperty(int index) { return QStringLiteral("origItem%1").arg(index).toLatin1(); }
QByteArray tabProperty(int index) { return QStringLiteral("tab%1").arg(index).toLatin1(); }

// Longer combo boxes hold data (ports, devices), not captions.
constexpr int kMaxTranslatedComboItems = 19;

// Qt's own Chinese catalogues; "qt" gathers the others and is absent on some installations.
const char *const kQtCatalogues[] = { "qtbase_zh_CN", "qt_zh_CN" };

constexpr int kLanguageComboWidth = 80;
const char *const kLanguageComboStyle =
    "QComboBox { background: transparent; color: #94A3B8; border: 1px solid #2A3A4A; "
    "border-radius: 3px; padding: 2px 6px; font-size: 11px; }"
    "QComboBox:hover { border-color: #60A5FA; }"
    "QComboBox QAbstractItemView { background: #0D1622; color: #F1F5F9; "
    "selection-background-color: #1E3A5F; }";

// Glyph-only labels (markers, status dots, spacers) have no words to translate.
bool isDecorationLabel(const QString &text)
{
    static const QStringList decorations = {
        QStringLiteral("◆"), QStringLiteral("  "), QStringLiteral("●"), QStringLiteral("○"),
    };
    return decorations.contains(text);
}

// The button kinds whose captions are translated; tool buttons carry icons, not words.
QAbstractButton *captionButton(QWidget *widget)
{
    if (auto *button = qobject_cast<QPushButton *>(widget))
        return button;
    if (auto *button = qobject_cast<QCheckBox *>(widget))
        return button;
    if (auto *button = qobject_cast<QRadioButton *>(widget))
        return button;
    return nullptr;
}

} // namespace

QString picked(const char *chinese, const char *english)
{
    return LanguageManager::instance().pick(QString::fromUtf8(chinese), QString::fromUtf8(english));
}

LanguageManager &LanguageManager::instance()
{
    static LanguageManager manager;
    return manager;
}

LanguageManager::LanguageManager()
    : m_language(Chinese)
{
    applyQtTranslations();
}

bool LanguageManager::isEnglish() const
{
    return m_language == English;
}

QString LanguageManager::translate(const QString &text) const
{
    if (!isEnglish())
        return text;
    return m_table.translate(text);
}

QString LanguageManager::pick(const QString &chinese, const QString &english) const
{
    return isEnglish() ? english : chinese;
}

void LanguageManager::addListener(std::function<void()> listener)
{
    dropDeadListeners();
    m_listeners.append(Listener { false, nullptr, std::move(listener) });
}

void LanguageManager::addListener(QObject *context, std::function<void()> listener)
{
    dropDeadListeners();
    m_listeners.append(Listener { true, context, std::move(listener) });
}

void LanguageManager::setLanguage(int comboIndex)
{
    const int language = comboIndex != 0 ? English : Chinese;
    if (language == m_language)
        return;
    m_language = language;
    applyQtTranslations();

    // A copy, so a listener may register another or destroy a page during this round; the copied
    // guards still see a page that an earlier listener destroyed.
    const QList<Listener> listeners = m_listeners;
    for (const Listener &listener : listeners) {
        if (listener.isAlive())
            listener.run();
    }
    dropDeadListeners();
}

void LanguageManager::dropDeadListeners()
{
    m_listeners.removeIf([](const Listener &listener) { return !listener.isAlive(); });
}

void LanguageManager::applyQtTranslations()
{
    if (!QCoreApplication::instance())
        return;
    // A translator that went with an earlier application object is already gone.
    for (const QPointer<QTranslator> &translator : std::as_const(m_qtTranslators)) {
        if (translator)
            QCoreApplication::removeTranslator(translator);
        delete translator.data();
    }
    m_qtTranslators.clear();
    if (isEnglish())
        return;

    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char *catalogue : kQtCatalogues) {
        // Owned by the application, so it goes when the application does.
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QString::fromLatin1(catalogue), folder)) {
            QCoreApplication::installTranslator(translator);
            m_qtTranslators.append(translator);
        } else {
            delete translator;
        }
    }
}

void LanguageManager::rememberOriginalText(QWidget *widget, const QString &text)
{
    if (widget->property(kOrigTextProperty).toString().isEmpty())
        widget->setProperty(kOrigTextProperty, text);
}

void LanguageManager::retranslateWidget(QWidget *root)
{
    const QList<QWidget *> descendants = root->findChildren<QWidget *>();
    for (QWidget *widget : descendants) {
        retranslateOne(widget);
        retranslateText(widget, kOrigToolTipProperty, widget->toolTip(),
                        [widget](const QString &tip) { widget->setToolTip(tip); });
    }

    retranslateText(root, kOrigTitleProperty, root->windowTitle(),
                    [root](const QString &title) { root->setWindowTitle(title); });
}

void LanguageManager::retranslateOne(QWidget *widget)
{
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        // Rich-text labels are composed by their owners, which choose the words themselves.
        if (!isDecorationLabel(label->text()) && label->textFormat() != Qt::RichText) {
            retranslateText(label, kOrigTextProperty, label->text(),
                            [label](const QString &text) { label->setText(text); });
        }
    } else if (QAbstractButton *button = captionButton(widget)) {
        retranslateText(button, kOrigTextProperty, button->text(),
                        [button](const QString &text) { button->setText(text); });
    } else if (auto *group = qobject_cast<QGroupBox *>(widget)) {
        retranslateText(group, kOrigTextProperty, group->title(),
                        [group](const QString &title) { group->setTitle(title); });
    } else if (auto *tabs = qobject_cast<QTabWidget *>(widget)) {
        for (int i = 0; i < tabs->count(); ++i) {
            retranslateText(tabs, tabProperty(i), tabs->tabText(i),
                            [tabs, i](const QString &text) { tabs->setTabText(i, text); });
        }
    } else if (auto *plainEdit = qobject_cast<QPlainTextEdit *>(widget)) {
        retranslateText(plainEdit, kOrigPlaceholderProperty, plainEdit->placeholderText(),
                        [plainEdit](const QString &text) { plainEdit->setPlaceholderText(text); });
    } else if (auto *lineEdit = qobject_cast<QLineEdit *>(widget)) {
        retranslateText(lineEdit, kOrigPlaceholderProperty, lineEdit->placeholderText(),
                        [lineEdit](const QString &text) { lineEdit->setPlaceholderText(text); });
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        if (combo->count() > kMaxTranslatedComboItems)
            return;
        for (int i = 0; i < combo->count(); ++i) {
            retranslateText(combo, comboItemProperty(i), combo->itemText(i),
                            [combo, i](const QString &text) { combo->setItemText(i, text); });
        }
    }
}

void LanguageManager::retranslateText(QObject *holder, const QByteArray &property,
                                      const QString &shown,
                                      const std::function<void(const QString &)> &show)
{
    if (shown.isEmpty())
        return;

    const QString remembered = holder->property(property).toString();
    QString wanted;
    if (isEnglish()) {
        // The first switch remembers the Chinese text for good; later ones translate what is shown.
        if (remembered.isEmpty())
            holder->setProperty(property, shown);
        wanted = translate(shown);
    } else {
        if (remembered.isEmpty())
            return;
        wanted = remembered;
    }

    // Unchanged texts are not written again: a combo box whose model takes any write as a change
    // would reset its current edit text.
    if (wanted != shown)
        show(wanted);
}

QComboBox *LanguageManager::createLanguageCombo(QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->addItem(QStringLiteral("中文"), Chinese);
    combo->addItem(QStringLiteral("English"), English);
    combo->setCurrentIndex(isEnglish() ? English : Chinese);
    combo->setFixedWidth(kLanguageComboWidth);
    combo->setStyleSheet(QString::fromLatin1(kLanguageComboStyle));

    QObject::connect(combo, &QComboBox::currentIndexChanged, combo,
                     [this](int index) { setLanguage(index); });
    return combo;
}
