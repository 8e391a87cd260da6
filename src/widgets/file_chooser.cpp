#include "widgets/file_chooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "widgets/code_page_text.h"

namespace quarrow::ui {

QString ShowFileDialog(QWidget* parent, const FileChooserRequest& request) {
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(request.kind == FileChooserRequest::Kind::Save ? QFileDialog::AcceptSave
                                                                        : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.kind == FileChooserRequest::Kind::Save ? QFileDialog::AnyFile
                                                                      : QFileDialog::ExistingFile);
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.directory.isEmpty()) {
        dialog.setDirectory(request.directory);
    }
    if (!request.fileName.isEmpty()) {
        dialog.selectFile(request.fileName);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

void StartAtFile(FileChooserRequest& request, std::string_view shownFile, bool proposeName) {
    if (shownFile.empty()) {
        return;
    }
    const QFileInfo file(PathFromBytes(shownFile));
    request.directory = file.absolutePath();
    if (proposeName) {
        request.fileName = file.fileName();
    }
}

QString QtFilterFromPairs(std::string_view pairs) {
    const QStringList parts = QString::fromUtf8(pairs.data(), static_cast<qsizetype>(pairs.size())).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString display = parts[i].trimmed();
        QString pattern = parts[i + 1].trimmed();
        if (display.isEmpty() && pattern.isEmpty()) {
            break;  // the closing "||"
        }
        if (pattern == u"*.*") {
            pattern = QStringLiteral("*");
        }
        // Qt takes the patterns from the parentheses of the display text.
        const qsizetype open = display.lastIndexOf(u'(');
        if (open >= 0 && display.endsWith(u')')) {
            display = display.left(open).trimmed();
        }
        pattern.replace(u';', u' ');
        filters << QStringLiteral("%1 (%2)").arg(display, pattern);
    }
    return filters.join(QStringLiteral(";;"));
}

}  // namespace quarrow::ui
