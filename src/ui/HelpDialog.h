#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace hzm {

// "Help": the fixed help text, read from the program's resources.
class HelpDialog : public QDialog {
    Q_OBJECT
public:
    explicit HelpDialog(QWidget *parent);

    // The help text; empty when the resource is missing.
    static QString helpText();
    QPlainTextEdit *textEdit() const { return m_text; }

private:
    QPlainTextEdit *m_text;
};

} // namespace hzm
