#include "app/aboutwindow.h"

#include "ui_aboutwindow.h"

#include <QPushButton>

AboutWindow::AboutWindow(QWidget *parent) : QDialog(parent), ui(new Ui_Dialog)
{
    ui->setupUi(this);
    // The standard button's own text is English unless Qt's translations are installed.
    ui->buttonBox->button(QDialogButtonBox::Close)->setText(QStringLiteral("Zavřít"));
}

AboutWindow::~AboutWindow()
{
    delete ui;
}
