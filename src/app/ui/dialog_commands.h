#pragma once
// The two commands that edit through a dialog kept with the view: create (or re-create) a tags
// file, and the settings. Both work on the view's settings; each dialog is made when first shown
// and keeps its values until the view goes (the object is the view's child).

#include <QObject>

#include <functional>
#include <memory>
#include <string>

namespace quarrow {
class MessageSink;
class Profile;
}  // namespace quarrow

namespace quarrow::ui {

class CCreateTagsDlg;
class CQuarrowView;
class CSettingsDlg;

class DialogCommands final : public QObject {
    Q_OBJECT
public:
    // Shows a tags file just made; true when it did.
    using OpenPathFunction = std::function<bool(const std::string& path)>;

    // Whether ctags may write that tags file now (it says why not); empty: always.
    using MayCreateFunction = std::function<bool(const std::string& path)>;

    // `profile` and `sink` must outlive the view.
    DialogCommands(CQuarrowView& view, Profile& profile, MessageSink& sink, OpenPathFunction openPath,
                   MayCreateFunction mayCreateTags = {});
    ~DialogCommands() override;
    Q_DISABLE_COPY_MOVE(DialogCommands)

    // Create (or re-create) a tags file, and the settings.
    void OnCreateTags();
    void OnSettings();

private:
    CQuarrowView& m_view;
    Profile& m_profile;
    MessageSink& m_sink;
    OpenPathFunction m_openPath;
    MayCreateFunction m_mayCreateTags;
    std::unique_ptr<CSettingsDlg> m_dlgSettings;
    std::unique_ptr<CCreateTagsDlg> m_dlgCreateTags;
};

}  // namespace quarrow::ui
