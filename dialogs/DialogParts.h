#pragma once

#include <QDialogButtonBox>
#include <QString>

#include <functional>
#include <initializer_list>

class QDialog;
class QWidget;

// What the dialogs share: their texts from the string table, their OK / Cancel row, and the file
// chooser they are given.
namespace tonwerk::ui {

// A string-table text.
[[nodiscard]] QString dialogText(int id);
// A string-table text with its printf fields ("%ld", "%.2f", "%u", "%4.4hs" …) filled, in order, by
// values the caller has already written as text; fields without a value stay as they are.
[[nodiscard]] QString withFields(int id, std::initializer_list<QString> values);

// The row of `buttons` under a dialog: OK is the default button (Return), no other push button
// takes Return, and OK and Cancel (Escape) close the dialog as accepted and rejected. Push buttons
// added to the row later should not be auto-default either.
[[nodiscard]] QDialogButtonBox* dialogButtons(QDialog* dialog, QDialogButtonBox::StandardButtons buttons);

// The open-file chooser a dialog is given: the chosen path, or empty when the performer cancelled.
using ChooseFile =
    std::function<QString(QWidget* parent, const QString& title, const QString& filter, const QString& folder)>;

} // namespace tonwerk::ui
