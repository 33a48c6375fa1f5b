#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QMimeData;
class QUrl;

// The files the program is asked to open from outside: named on its command line or dropped on
// its frame. Each is either a path on this computer or something that names no such file.
class LaunchArguments {
public:
    // One file as the caller gave it, and the absolute path it names ("" when it names no file
    // of this computer: a URI of another scheme or of another host).
    struct File {
        QString given;
        QString path;
        int line = 0;  // the line its window starts at (+N before it), counted from 1; 0: none
    };

    // `tavulella [--wait] [[+LINE] FILE...]`: parses the program's arguments. --help and
    // --version print their text and end the process, as does an unknown option, with a note of
    // it. +N before a file names the line its caret starts at; a +N with no file after it is a
    // file's name.
    static LaunchArguments parse(const QStringList& arguments, const QString& workingFolder);
    // The program's arguments as its argv holds them, file names with bytes that are not UTF-8
    // kept (as NativePath holds them); QCoreApplication::arguments() replaces such bytes.
    static QStringList argumentsOf(int argc, const char* const* argv);

    // A FILE argument: a file:// URI (file:/path too), or a path relative to workingFolder. An
    // argument that starts with a scheme and "://" is a URI; any other text is a path, so that
    // file names with a colon still open.
    static File fromArgument(const QString& given, const QString& workingFolder);
    // A URI of a drop: only file: URIs of this computer name a path.
    static File fromUrl(const QUrl& url);
    // True when a drag carries URIs of which one at least is a local file: the frame opens them
    // instead of the text box taking their text.
    static bool carriesFiles(const QMimeData* data);

    bool wait = false;
    // Started by a waiting launch to be the session's frame, with no start-up window: the
    // launch hands its files over, as to any running frame.
    bool frameOnly = false;
    QList<File> files;
};
