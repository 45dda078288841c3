#ifndef APP_ADDRESSSELECTIONWINDOW_H
#define APP_ADDRESSSELECTIONWINDOW_H

#include "app/engines/types.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <memory>

class QListWidgetItem;
class Ui_AddressDialog;

// The choice among several places found for one address: OK or activating a
// row reports the place through addressSelected and closes the dialog as
// accepted; Cancel, Escape or the close button reject it without a choice.
class AddressSelectionWindow : public QDialog
{
    Q_OBJECT

public:
    // points and labels are parallel: row i shows label i of place i.
    AddressSelectionWindow(QWidget *parent, vector_2d_double points, QList<QString> labels);
    ~AddressSelectionWindow() override;

    void accept() override;

signals:
    void addressSelected(std::vector<double> point, QString name);

private:
    void setupUi();
    void populateLocationList();
    void locationSelected();
    void locationActivated(QListWidgetItem *item);

    QList<QString> labels;
    vector_2d_double points;
    std::unique_ptr<Ui_AddressDialog> ui;
};

#endif
