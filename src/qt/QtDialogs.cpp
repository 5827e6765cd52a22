#include "qt/QtDialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <cstdio>

#include "qt/FileDialogFilter.h"
#include "qt/ShownText.h"

namespace vantrel {

void QtDialogs::BeforeShowing() {
    if (beforeShowing_) beforeShowing_();
}

BoxAnswer QtDialogs::MsgBox(const std::string& text, BoxStyle style, const std::string& title) {
    const bool question = style == BoxStyle::OkCancel;
    if (windowLost_) {
        std::fprintf(stderr, "vantrel: %s %s\n", title.c_str(), text.c_str());
        return question ? BoxAnswer::Cancel : BoxAnswer::Ok;
    }
    BeforeShowing();
    QString body = ShownText(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

    QMessageBox box(question ? QMessageBox::NoIcon : QMessageBox::Warning, ShownText(title), body,
                    question ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, parent_);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    if (question) box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok ? BoxAnswer::Ok : BoxAnswer::Cancel;
}

std::string QtDialogs::ShowOpen(const std::string& filter, bool fileMustExist) {
    if (windowLost_) return {};
    BeforeShowing();
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(ToQtFileFilter(filter).split(QStringLiteral(";;")));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    // The path in the file system's own encoding, as the loader opens it.
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace vantrel
