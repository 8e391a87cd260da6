#include "platform/ui/program_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace quarrow::ui {

ProgramTranslation::ProgramTranslation(UiLanguage language) : m_language(language) {
    if (language == UiLanguage::English) {
        m_programInstalled =
            m_program.load(QStringLiteral(":/i18n/quarrow_en.qm")) && QCoreApplication::installTranslator(&m_program);
    } else {
        m_qtInstalled = m_qt.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
                        QCoreApplication::installTranslator(&m_qt);
    }
}

ProgramTranslation::~ProgramTranslation() {
    if (m_programInstalled) {
        QCoreApplication::removeTranslator(&m_program);
    }
    if (m_qtInstalled) {
        QCoreApplication::removeTranslator(&m_qt);
    }
}

}  // namespace quarrow::ui
