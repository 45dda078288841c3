#include "app/addressselectionwindow.h"

#include "ui_addressselectionwindow.h"

#include <algorithm>

AddressSelectionWindow::AddressSelectionWindow(QWidget *parent, vector_2d_double points, QList<QString> labels)
    : QDialog(parent), labels(labels), points(points), ui(std::make_unique<Ui_AddressDialog>())
{
    setupUi();
    populateLocationList();
}

AddressSelectionWindow::~AddressSelectionWindow() = default;

void AddressSelectionWindow::accept()
{
    const int row = ui->locationList->currentRow();
    if (row >= 0)
        emit addressSelected(points[size_t(row)], labels[row]);
    QDialog::accept();
}

void AddressSelectionWindow::setupUi()
{
    ui->setupUi(this);
    connect(ui->locationList, &QListWidget::itemActivated, this, &AddressSelectionWindow::locationActivated);
    connect(ui->locationList, &QListWidget::itemSelectionChanged, this, &AddressSelectionWindow::locationSelected);
}

void AddressSelectionWindow::populateLocationList()
{
    // Only rows with both a place and a label, so every row indexes both lists.
    const qsizetype rows = std::min(qsizetype(points.size()), labels.size());
    for (qsizetype i = 0; i < rows; ++i)
        ui->locationList->addItem(labels[i]);
}

void AddressSelectionWindow::locationSelected()
{
    // OK appears with the first selection and stays.
    if (ui->locationList->currentRow() >= 0 && !ui->buttonBox->button(QDialogButtonBox::Ok))
        ui->buttonBox->addButton(QDialogButtonBox::Ok);
}

void AddressSelectionWindow::locationActivated(QListWidgetItem *item)
{
    const int row = ui->locationList->row(item);
    emit addressSelected(points[size_t(row)], labels[row]);
    // The base's accept, so the choice is not reported a second time.
    QDialog::accept();
}
