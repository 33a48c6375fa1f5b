#include "core/files/LaunchArguments.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>
#include <limits>
#include <utility>

#include "core/files/NativePath.h"

QStringList LaunchArguments::argumentsOf(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << NativePath::decode(QByteArray(argv[i]));
    return arguments;
}

LaunchArguments LaunchArguments::parse(const QStringList& arguments, const QString& workingFolder) {
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption wait(
        QStringLiteral("wait"),
        QStringLiteral("Return only when every window opened for the files has closed."));
    parser.addOption(wait);
    QCommandLineOption frameOnly(QStringLiteral("frame-only"));
    frameOnly.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(frameOnly);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Text files to open, as paths or file:// URIs; "
                                                "+N before a file starts its window at line N."),
                                 QStringLiteral("[[+N] FILE...]"));
    parser.process(arguments);

    LaunchArguments result;
    result.wait = parser.isSet(wait);
    result.frameOnly = parser.isSet(frameOnly);
    static const QRegularExpression lineNumber(QStringLiteral("^\\+([0-9]+)$"));
    const QStringList given = parser.positionalArguments();
    int line = 0;
    for (qsizetype i = 0; i < given.size(); ++i) {
        if (const QRegularExpressionMatch m = lineNumber.match(given[i]);
            m.hasMatch() && i + 1 < given.size()) {
            // Beyond what an int holds is past any file's end all the same.
            bool fits = false;
            line = m.captured(1).toInt(&fits);
            if (!fits) line = std::numeric_limits<int>::max();
            continue;
        }
        result.files.append(fromArgument(given[i], workingFolder));
        result.files.last().line = std::exchange(line, 0);
    }
    return result;
}

LaunchArguments::File LaunchArguments::fromArgument(const QString& given,
                                                    const QString& workingFolder) {
    static const QRegularExpression uri(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    if (uri.match(given).hasMatch() || given.startsWith(QLatin1String("file:/")))
        return {given, fromUrl(QUrl(given)).path};
    if (given.isEmpty()) return {given, QDir::cleanPath(workingFolder)};
    return {given, QDir::cleanPath(QDir(workingFolder).absoluteFilePath(given))};
}

LaunchArguments::File LaunchArguments::fromUrl(const QUrl& url) {
    const QString host = url.host();
    const bool local = url.isValid() && url.isLocalFile() &&
                       (host.isEmpty() || host == QLatin1String("localhost"));
    // toLocalFile() of a URI with a host names a network share; this computer's path is the
    // URI's path alone. Its percent-encoded bytes are the file name's bytes, valid UTF-8 or not.
    return {url.toString(),
            local ? QDir::cleanPath(NativePath::fromEncodedPath(url.path(QUrl::FullyEncoded)))
                  : QString()};
}

bool LaunchArguments::carriesFiles(const QMimeData* data) {
    if (!data || !data->hasUrls()) return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.cbegin(), urls.cend(),
                       [](const QUrl& url) { return !fromUrl(url).path.isEmpty(); });
}
