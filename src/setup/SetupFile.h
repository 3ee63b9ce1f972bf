#pragma once

#include "setup/Setup.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Why a setup file was refused: the field, as its path in the JSON ("controls[2].address", empty
// for the file as a whole), and the reason in both interface languages.
struct SetupProblem {
    QString field;
    QString chinese;
    QString english;
};

// Setup files: one JSON object, {"format":"lumeral-setup","version":1, ...}, grouped as
// "connection", "display", "send", "panel", "controls", "chart", "rules", "logFilter" and
// "language". Reading checks the whole file before it gives anything back, so a refused file
// changes nothing; fields left out take a fresh start's values and unknown ones are passed over.
//
// Control addresses are taken as any text here: the panel's address rule lives with the widgets,
// and the window checks each address when it applies the setup.
class SetupFile
{
public:
    static constexpr int Version = 1;
    // A setup is a few kilobytes; anything near this size is not one.
    static constexpr qint64 MaximumFileSize = 16 * 1024 * 1024;

    // Written through QSaveFile: either the whole file or none of it. False with a reason in error.
    static bool save(const QString &fileName, const Setup &setup, QString *error);
    // The setup in the file, or nothing and the problem. When the setup is taken, ignoredFields
    // holds the paths of the fields it passed over.
    static std::optional<Setup> load(const QString &fileName, SetupProblem *problem,
                                     QStringList *ignoredFields);

    static QByteArray toJson(const Setup &setup);
    static std::optional<Setup> fromJson(const QByteArray &json, SetupProblem *problem,
                                         QStringList *ignoredFields);
};
