#include "app/startup.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

void setHighDpiAttributes()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 always scales and always uses high-DPI pixmaps; it has dropped the attributes.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
#endif
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

void installApplicationFont()
{
    QFont font;
    font.setFamily(QStringLiteral("黑体"));
    QApplication::setFont(font);
}

QStringList translationFolders()
{
    const QString here = QCoreApplication::applicationDirPath();
    return {here + QStringLiteral("/translations"),
            QDir::cleanPath(here + QStringLiteral("/../share/brenmoor/translations"))};
}

namespace {

QString qtTranslationsFolder()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
}

bool installTranslator(const QLocale& locale, const QString& name, const QString& folder)
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(locale, name, QStringLiteral("_"), folder)) {
        QCoreApplication::installTranslator(translator);
        return true;
    }
    delete translator;
    return false;
}

} // namespace

void installTranslations(const QLocale& locale, const QStringList& folders)
{
    for (const QString& folder : folders) {
        if (installTranslator(locale, QStringLiteral("brenmoor"), folder))
            break;
    }
    installTranslator(locale, QStringLiteral("qtbase"), qtTranslationsFolder());
}
