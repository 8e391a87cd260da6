#pragma once
// What every dialog of the program does alike: its controls are found by their numeric id, its
// members go into the controls and come back out of them with validation (UpdateData), and OK
// closes it only when that validation passes. A capped edit field over its cap stops the exchange
// with the length message, shown through the dialog's message sink.

#include <QDialog>

#include <initializer_list>
#include <utility>
#include <vector>

class QLineEdit;

namespace quarrow {
class MessageSink;
}

namespace quarrow::ui {

class ExchangeDialog : public QDialog {
    Q_OBJECT
public:
    ~ExchangeDialog() override;
    Q_DISABLE_COPY_MOVE(ExchangeDialog)

    // The control with the given id (see the dialog's id list), or null.
    QWidget* Control(int id) const;
    // Test seam: where validation messages go; by default a message box over the dialog.
    void SetMessageSink(MessageSink* sink) { m_pSink = sink; }

    // OK: closes the dialog once the controls' values pass validation.
    void accept() override;

protected:
    explicit ExchangeDialog(QWidget* parent);

    // Names the dialog's controls by their ids.
    void SetControls(std::initializer_list<std::pair<int, QWidget*>> controls);
    // Members into the controls (false) or out of them with validation (true).
    virtual bool UpdateData(bool saveAndValidate) = 0;
    // Whether `edit` holds no more than the cap; if not, shows the length message and selects the
    // field for correction.
    bool CheckTextLimit(QLineEdit* edit);
    // Tells the user why OK did not close the dialog (through the message sink).
    void ShowValidationMessage(const QString& text);
    // Refuses the text of `edit`: shows `message` and selects the field for correction.
    void RefuseField(QLineEdit* edit, const QString& message);

private:
    std::vector<std::pair<int, QWidget*>> m_controls;
    MessageSink* m_pSink = nullptr;
};

}  // namespace quarrow::ui
