#pragma once

class QComboBox;
class QLineEdit;
class QString;

namespace zeltar {

// Fields that show stored values. What the program puts into them is shown whole and read
// back unchanged; only the operator's own typing and choosing is bounded.

// Bounds what the operator types into edit to length characters. QLineEdit's own maximum
// length would also cut a longer text that the program puts in (a stored poll period of
// 1500 would read back as 150); here such a text stays whole, and typing can only shorten
// it until it fits.
void LimitTyping(QLineEdit *edit, int length);

// Puts text into edit with the cursor at its start, so that a field narrower than a long
// number shows the number's beginning rather than its last digits.
void ShowFromStart(QLineEdit *edit, const QString &text);

// Selects list item index. An index outside the list (a value from an instrument or a
// hand-edited file) is shown as an extra item with the text stored, kept until the list
// shows another value; ListValue() gives it back as it was.
void ShowListValue(QComboBox *combo, int index, const QString &stored);
void ShowListValue(QComboBox *combo, int index);

// The index of the list's current item, or the index that an extra item stands for.
int ListValue(const QComboBox *combo);

} // namespace zeltar
