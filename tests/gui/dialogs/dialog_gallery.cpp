// Shows one of the dialogs with sample values until it is closed, for looking at its layout on a
// real display: dialog_gallery settings|create|about|progress [profile]
#include <QApplication>
#include <QFont>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/about/version_info_dlg.h"
#include "ctags/ui/create_tags_dlg.h"
#include "ctags/ui/ctags_progress_dialog.h"
#include "settings/profile.h"
#include "settings/ui/settings_dlg.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (const QByteArray family = qgetenv("GALLERY_FONT"); !family.isEmpty()) {
        QApplication::setFont(QFont(QString::fromUtf8(family)));
    }
    const std::string which = argc > 1 ? argv[1] : "";
    using namespace quarrow::ui;
    if (which == "settings") {
        CSettingsDlg dlg;
        return dlg.DoModal() == QDialog::Accepted ? 0 : 1;
    }
    if (which == "create") {
        quarrow::Profile profile(argc > 2 ? argv[2] : "");
        CCreateTagsDlg dlg(&profile);
        dlg.m_strParam =
            "--langmap=java:+.java --languages=java --java-types=+cfimp --recurse=yes --fields=+anmfk --sort=no "
            "-f@tags @target";
        return dlg.DoModal() == QDialog::Accepted ? 0 : 1;
    }
    if (which == "about") {
        CVersionInfoDlg dlg;
        return dlg.exec() == QDialog::Accepted ? 0 : 1;
    }
    if (which == "progress") {
        CtagsProgressDialog dlg(QStringLiteral("/home/me/src/QR-SOURCE.tags"), nullptr, std::chrono::milliseconds(0));
        auto start = std::chrono::steady_clock::now();
        while (dlg.KeepWaiting(std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start + std::chrono::seconds(83)))) {
            QThread::msleep(30);
        }
        return 0;
    }
    std::fprintf(stderr, "usage: dialog_gallery settings|create|about|progress [profile]\n");
    return 2;
}
