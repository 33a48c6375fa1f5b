#include "files/LaunchArguments.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>

LaunchArguments LaunchArguments::parse(const QStringList& arguments, const QString& workingFolder) {
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption wait(
        QStringLiteral("wait"),
        QStringLiteral("Return only when every window opened for the files has closed."));
    parser.addOption(wait);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Text files to open, as paths or file:// URIs."),
                                 QStringLiteral("[FILE...]"));
    parser.process(arguments);

    LaunchArguments result;
    result.wait = parser.isSet(wait);
    const QStringList given = parser.positionalArguments();
    for (const QString& argument : given)
        result.files.append(fromArgument(argument, workingFolder));
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
    // URI's path alone.
    return {url.toString(), local ? QDir::cleanPath(url.path(QUrl::FullyDecoded)) : QString()};
}

bool LaunchArguments::carriesFiles(const QMimeData* data) {
    if (!data || !data->hasUrls()) return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.cbegin(), urls.cend(),
                       [](const QUrl& url) { return !fromUrl(url).path.isEmpty(); });
}
