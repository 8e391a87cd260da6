#include "app/ui/dialog_commands.h"

#include "ctags/ui/create_tags_command.h"
#include "ctags/ui/create_tags_dlg.h"
#include "settings/ui/settings_dlg.h"
#include "tags/quarrow_doc.h"
#include "tree/ui/quarrow_view.h"
#include "widgets/dialog_placement.h"

namespace quarrow::ui {

DialogCommands::DialogCommands(CQuarrowView& view, Profile& profile, MessageSink& sink, OpenPathFunction openPath,
                               MayCreateFunction mayCreateTags)
    : QObject(&view), m_view(view), m_profile(profile), m_sink(sink), m_openPath(std::move(openPath)),
      m_mayCreateTags(std::move(mayCreateTags)) {}

DialogCommands::~DialogCommands() = default;

void DialogCommands::OnCreateTags() {
    if (!m_dlgCreateTags) {
        m_dlgCreateTags = std::make_unique<CCreateTagsDlg>(&m_profile, &m_view);
    }
    RunCreateTagsCommand(&m_view, *m_dlgCreateTags, m_view.Settings(), m_profile, m_sink,
                         m_view.Model().GetCodePage(),
                         [this](const std::string& path) { return m_openPath && m_openPath(path); },
                         m_mayCreateTags);
}

void DialogCommands::OnSettings() {
    if (!m_dlgSettings) {
        m_dlgSettings = std::make_unique<CSettingsDlg>(&m_view);
    }
    const quarrow::CQuarrowDoc* document = m_view.Document();
    m_dlgSettings->SetCodePage(document ? document->GetCodePage() : CodePage::Utf8);
    CentreOnOwnerWindow(*m_dlgSettings);
    RunSettingsCommand(*m_dlgSettings, m_view.Settings());
}

}  // namespace quarrow::ui
