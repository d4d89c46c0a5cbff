#pragma once

#include <QString>

#include <functional>
#include <initializer_list>

class QWidget;

// What the dialogs share: their texts from the string table, and the file chooser they are given.
namespace tonwerk::ui {

// A string-table text.
[[nodiscard]] QString dialogText(int id);
// A string-table text with its printf fields ("%ld", "%.2f", "%u", "%4.4hs" …) filled, in order, by
// values the caller has already written as text; fields without a value stay as they are.
[[nodiscard]] QString withFields(int id, std::initializer_list<QString> values);

// The open-file chooser a dialog is given: the chosen path, or empty when the performer cancelled.
using ChooseFile =
    std::function<QString(QWidget* parent, const QString& title, const QString& filter, const QString& folder)>;

} // namespace tonwerk::ui
