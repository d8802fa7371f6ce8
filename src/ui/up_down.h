#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace zeltar {

// A pair of arrow buttons attached to a text field that holds a whole number: they step
// the number within its range, while the field itself still takes any text, which is
// checked where it is used. A position set from outside is shown as it is, so a stored
// value beyond the range reads back unchanged.
class UpDown : public QWidget
{
    Q_OBJECT
public:
    UpDown(QLineEdit *associate, int minimum, int maximum, QWidget *parent = nullptr);

    int position() const;
    void setPosition(int value);
    void stepBy(int steps);

Q_SIGNALS:
    void changed(int value);

private:
    QLineEdit *m_associate;
    int m_minimum;
    int m_maximum;
};

} // namespace zeltar
