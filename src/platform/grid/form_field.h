#pragma once

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace corvane::platform {

// A captioned text box on a form: the label is the box's buddy and its caption
// is the box's accessible name, so a screen reader and Alt+key both find it.
inline QLineEdit* addFormField(QFormLayout* form, const char* labelName, const QString& caption,
    const char* boxName, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(labelName));
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(QLatin1String(boxName));
    box->setAccessibleName(caption);
    label->setBuddy(box);
    form->addRow(label, box);
    return box;
}

} // namespace corvane::platform
