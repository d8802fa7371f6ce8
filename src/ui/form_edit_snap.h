#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace zeltar {

struct InstrumentSettings;

// The editor of one step of a regulation program: its time and value. OK stores them into
// the step only when both pass their checks; Cancel and the close box store nothing.
class FormEditSnap : public QDialog
{
    Q_OBJECT
public:
    explicit FormEditSnap(QWidget *parent = nullptr);

    // Prepares the editor for the step of this grid row of record's program: caption,
    // Tag and the two fields.
    void prepare(InstrumentSettings &record, int row);

    // The number of the step being edited.
    int Tag = 0;

    QLineEdit *maskTimeSnap;
    QLineEdit *editZnacSnap;
    QPushButton *BtnSnapOK;
    QPushButton *BtnSnapCansel;

private:
    void fitToCaption();
    void BtnSnapOKClick();
    void BtnSnapCanselClick();

    InstrumentSettings *m_record = nullptr;
};

} // namespace zeltar
