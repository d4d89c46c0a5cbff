#include "DialogParts.h"

#include "res/Strings.h"

#include <QDialog>
#include <QPushButton>
#include <QRegularExpression>

namespace tonwerk::ui {

QString dialogText(int id) {
    const std::string_view s = res::loadString(id);
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString withFields(int id, std::initializer_list<QString> values) {
    static const QRegularExpression kField(QStringLiteral("%[-+ 0#]*[0-9]*(?:\\.[0-9]+)?(?:l|ll|h|hh)?[diuxXfs]"));
    QString result = dialogText(id);
    qsizetype from = 0;
    for (const QString& value : values) {
        const QRegularExpressionMatch match = kField.match(result, from);
        if (!match.hasMatch()) {
            break;
        }
        result.replace(match.capturedStart(), match.capturedLength(), value);
        from = match.capturedStart() + value.size();
    }
    return result;
}

QDialogButtonBox* dialogButtons(QDialog* dialog, QDialogButtonBox::StandardButtons buttons) {
    auto* box = new QDialogButtonBox(buttons, dialog);
    for (QAbstractButton* button : box->buttons()) {
        if (auto* push = qobject_cast<QPushButton*>(button); push != nullptr) {
            push->setAutoDefault(false);
        }
    }
    if (QPushButton* ok = box->button(QDialogButtonBox::Ok); ok != nullptr) {
        ok->setDefault(true);
    }
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

} // namespace tonwerk::ui
