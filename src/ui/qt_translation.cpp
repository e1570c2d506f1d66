#include "ui/qt_translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace tvx::ui {
namespace {

QTranslator* installed = nullptr;  // owned by the application

}  // namespace

QString qtTurkishTranslation() {
    const QString file = QStringLiteral("qtbase_tr.qm");
    for (const QString& folder :
         {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
          QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"))}) {
        const QString path = QDir(folder).filePath(file);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

bool useQtTranslation(char languageCode) {
    if (languageCode != '2') {
        if (installed != nullptr)
            QCoreApplication::removeTranslator(installed);
        return true;
    }
    if (installed == nullptr) {
        const QString path = qtTurkishTranslation();
        auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
        if (path.isEmpty() || !translator->load(path))
            return false;
        installed = translator.release();
    }
    QCoreApplication::installTranslator(installed);  // again is harmless: it moves to the front
    return true;
}

}  // namespace tvx::ui
