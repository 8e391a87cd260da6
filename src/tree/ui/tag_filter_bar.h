#pragma once
// The filter field shown above the tree: a line edit with a short placeholder that reports the
// text as it is typed and hands Down, Enter and Esc to its owner.

#include <QWidget>

class QLineEdit;

namespace quarrow::ui {

class TagFilterBar final : public QWidget {
    Q_OBJECT
public:
    explicit TagFilterBar(QWidget* parent = nullptr);

    QLineEdit& Field() const noexcept { return *m_field; }
    QString Text() const;

signals:
    void TextEdited(const QString& text);
    void DownPressed();
    void EnterPressed();
    void EscapePressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_field;
};

}  // namespace quarrow::ui
