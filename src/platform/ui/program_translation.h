#pragma once
// Puts the program's texts and Qt's own (the standard dialogs' buttons and labels) into the
// chosen language for as long as it lives. The program's texts are Japanese in the source; the
// English translation is compiled into the resources. Qt's own texts are English in the source;
// their Japanese comes from Qt's translations installed on the system.

#include <QTranslator>

#include "platform/language_choice.h"

namespace quarrow::ui {

class ProgramTranslation final {
public:
    // Needs the application object.
    explicit ProgramTranslation(UiLanguage language);
    ~ProgramTranslation();
    ProgramTranslation(const ProgramTranslation&) = delete;
    ProgramTranslation& operator=(const ProgramTranslation&) = delete;

    UiLanguage Language() const noexcept { return m_language; }
    // Whether Qt's own translation for the language was found (Japanese only; English needs none).
    bool HasQtTranslation() const noexcept { return m_qtInstalled; }

private:
    UiLanguage m_language;
    QTranslator m_program;
    QTranslator m_qt;
    bool m_programInstalled = false;
    bool m_qtInstalled = false;
};

}  // namespace quarrow::ui
