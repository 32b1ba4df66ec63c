#include "MessageBoxes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace hzm {

QString confirmCaption() {
    return QCoreApplication::translate("hzm::MainWindow", "Confirm");
}

QString errorCaption() {
    return QCoreApplication::translate("hzm::MainWindow", "Error");
}

MessageBoxes::~MessageBoxes() = default;

void MessageBoxes::beep() {
    QApplication::beep();
}

namespace {

void showBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption, const QString &text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

QFileDialog *makeFileDialog(QWidget *parent, const FileDialogRequest &request) {
    auto *dialog = new QFileDialog(parent, request.title);
    dialog->setNameFilters(request.filters);
    if (!request.filters.isEmpty())
        dialog->selectNameFilter(request.filters.first());
    dialog->setDefaultSuffix(request.defaultSuffix);
    if (!request.initialPath.isEmpty())
        dialog->selectFile(request.initialPath);
    return dialog;
}

QString runFileDialog(QFileDialog *dialog) {
    QString path;
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
        path = dialog->selectedFiles().first();
    delete dialog;
    return path;
}

} // namespace

bool WidgetMessageBoxes::question(QWidget *parent, const QString &caption, const QString &text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

void WidgetMessageBoxes::information(QWidget *parent, const QString &caption, const QString &text) {
    showBox(parent, QMessageBox::Information, caption, text);
}

void WidgetMessageBoxes::warning(QWidget *parent, const QString &caption, const QString &text) {
    showBox(parent, QMessageBox::Warning, caption, text);
}

void WidgetMessageBoxes::error(QWidget *parent, const QString &caption, const QString &text) {
    showBox(parent, QMessageBox::Critical, caption, text);
}

void WidgetMessageBoxes::plain(QWidget *parent, const QString &caption, const QString &text) {
    showBox(parent, QMessageBox::NoIcon, caption, text);
}

QString WidgetMessageBoxes::openFileName(QWidget *parent, const FileDialogRequest &request) {
    QFileDialog *dialog = makeFileDialog(parent, request);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    return runFileDialog(dialog);
}

QString WidgetMessageBoxes::saveFileName(QWidget *parent, const FileDialogRequest &request) {
    QFileDialog *dialog = makeFileDialog(parent, request);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    return runFileDialog(dialog);
}

QStringList ScriptedMessageBoxes::texts() const {
    QStringList result;
    for (const Shown &s : m_shown) {
        if (s.kind != Kind::OpenFile && s.kind != Kind::SaveFile)
            result << s.text;
    }
    return result;
}

void ScriptedMessageBoxes::record(Kind kind, const QString &caption, const QString &text) {
    m_shown.append(Shown{kind, caption, text, {}});
}

bool ScriptedMessageBoxes::question(QWidget *, const QString &caption, const QString &text) {
    record(Kind::Question, caption, text);
    if (m_answers.isEmpty()) {
        ++m_unexpected;
        return false;
    }
    return m_answers.dequeue();
}

void ScriptedMessageBoxes::information(QWidget *, const QString &caption, const QString &text) {
    record(Kind::Information, caption, text);
}

void ScriptedMessageBoxes::warning(QWidget *, const QString &caption, const QString &text) {
    record(Kind::Warning, caption, text);
}

void ScriptedMessageBoxes::error(QWidget *, const QString &caption, const QString &text) {
    record(Kind::Error, caption, text);
}

void ScriptedMessageBoxes::plain(QWidget *, const QString &caption, const QString &text) {
    record(Kind::Plain, caption, text);
}

QString ScriptedMessageBoxes::nextPath(Kind kind, const FileDialogRequest &request) {
    m_shown.append(Shown{kind, request.title, QString(), request});
    if (m_paths.isEmpty()) {
        ++m_unexpected;
        return QString();
    }
    return m_paths.dequeue();
}

QString ScriptedMessageBoxes::openFileName(QWidget *, const FileDialogRequest &request) {
    return nextPath(Kind::OpenFile, request);
}

QString ScriptedMessageBoxes::saveFileName(QWidget *, const FileDialogRequest &request) {
    return nextPath(Kind::SaveFile, request);
}

} // namespace hzm
