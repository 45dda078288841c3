#ifndef APP_ABOUTWINDOW_H
#define APP_ABOUTWINDOW_H

#include <QDialog>

class Ui_Dialog;

// The program, the libraries it uses, the web services and the map data.
class AboutWindow : public QDialog
{
    Q_OBJECT

public:
    explicit AboutWindow(QWidget *parent = nullptr);
    ~AboutWindow() override;

private:
    Ui_Dialog *ui;
};

#endif
