#pragma once

#include <QDialog>

class QPushButton;

namespace zeltar {

// The about box: version, what the station does, the maker's web address and mail.
class FormAbout : public QDialog
{
    Q_OBJECT
public:
    explicit FormAbout(QWidget *parent = nullptr);

    QPushButton *Button1;
};

} // namespace zeltar
