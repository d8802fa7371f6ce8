#include "ui/field_values.h"

#include <QComboBox>
#include <QLineEdit>
#include <memory>

namespace zeltar {

namespace {

// The data of an extra list item: the stored index it stands for.
constexpr int StoredIndexRole = Qt::UserRole + 1;

void removeExtraItem(QComboBox *combo)
{
    const int last = combo->count() - 1;
    if (last >= 0 && combo->itemData(last, StoredIndexRole).isValid())
        combo->removeItem(last);
}

} // namespace

void LimitTyping(QLineEdit *edit, int length)
{
    // textEdited comes before textChanged, so the text before the operator's change is
    // still the one remembered; an edit that makes a text longer than the limit and
    // longer than before is taken back.
    auto before = std::make_shared<QString>(edit->text());
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [edit, before](const QString &) { *before = edit->text(); });
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, before, length](const QString &t) {
        if (t.size() <= length || t.size() <= before->size())
            return;
        const int cursor = edit->cursorPosition() - static_cast<int>(t.size() - before->size());
        edit->setText(*before);
        edit->setCursorPosition(qMax(0, cursor));
    });
}

void ShowFromStart(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    edit->home(false);
}

void ShowListValue(QComboBox *combo, int index, const QString &stored)
{
    removeExtraItem(combo);
    if (index >= 0 && index < combo->count()) {
        combo->setCurrentIndex(index);
        return;
    }
    combo->addItem(stored);
    combo->setItemData(combo->count() - 1, index, StoredIndexRole);
    combo->setCurrentIndex(combo->count() - 1);
}

void ShowListValue(QComboBox *combo, int index)
{
    ShowListValue(combo, index, QString::number(index));
}

int ListValue(const QComboBox *combo)
{
    const QVariant stored = combo->currentData(StoredIndexRole);
    return stored.isValid() ? stored.toInt() : combo->currentIndex();
}

} // namespace zeltar
