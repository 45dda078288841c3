#include "app/addressselectionwindow.h"
#include "tests/support/qt_printing.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Two places of the same name, so a row is told apart by its point only.
const vector_2d_double places{{50.0875, 14.4214}, {49.1951, 16.6068}, {49.1951, 16.6068001}};
const QList<QString> names{QStringLiteral("Náměstí Míru, Praha"), QStringLiteral("Náměstí Svobody, Brno"),
                           QStringLiteral("Náměstí Svobody, Brno")};

struct Dialog
{
    AddressSelectionWindow window{nullptr, places, names};
    QListWidget *list = window.findChild<QListWidget *>(QStringLiteral("locationList"));
    QDialogButtonBox *buttons = window.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QSignalSpy selected{&window, &AddressSelectionWindow::addressSelected};
    QSignalSpy accepted{&window, &QDialog::accepted};
    QSignalSpy rejected{&window, &QDialog::rejected};

    Dialog()
    {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

} // namespace

TEST(AddressSelectionWindow, ListsEveryPlaceAndAddsOkWithTheFirstSelection)
{
    Dialog dialog;
    ASSERT_EQ(dialog.list->count(), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(dialog.list->item(row)->text(), names[row]);
    EXPECT_EQ(dialog.buttons->standardButtons(), QDialogButtonBox::Cancel);

    dialog.list->setCurrentRow(0);
    EXPECT_EQ(dialog.buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    dialog.list->setCurrentRow(2);
    dialog.list->setCurrentRow(1);
    EXPECT_EQ(dialog.buttons->buttons().size(), 2);
    EXPECT_EQ(dialog.selected.size(), 0);
}

TEST(AddressSelectionWindow, ReportsTheChosenRowOnceOrNothing)
{
    const auto row_center = [](Dialog &dialog, int row) {
        return dialog.list->visualItemRect(dialog.list->item(row)).center();
    };
    const struct {
        const char *name;
        std::function<void(Dialog &)> act;
        int chosenRow; // -1: no choice reported
        bool accepted;
    } cases[] = {
        {"OK",
         [](Dialog &d) {
             d.list->setCurrentRow(2);
             d.buttons->button(QDialogButtonBox::Ok)->click();
         },
         2, true},
        {"double-click",
         [&](Dialog &d) {
             // As a mouse delivers it: a click, then the double-click.
             QTest::mouseClick(d.list->viewport(), Qt::LeftButton, {}, row_center(d, 1));
             QTest::mouseDClick(d.list->viewport(), Qt::LeftButton, {}, row_center(d, 1));
         },
         1, true},
        {"Enter on a row",
         [](Dialog &d) {
             d.list->setFocus();
             d.list->setCurrentRow(0);
             QTest::keyClick(d.list, Qt::Key_Down);
             QTest::keyClick(d.list, Qt::Key_Return);
         },
         1, true},
        {"accept without a current row",
         [](Dialog &d) {
             d.list->setCurrentItem(nullptr);
             d.window.accept();
         },
         -1, true},
        {"Cancel",
         [](Dialog &d) {
             d.list->setCurrentRow(1);
             d.buttons->button(QDialogButtonBox::Cancel)->click();
         },
         -1, false},
        {"Escape",
         [](Dialog &d) {
             d.list->setCurrentRow(1);
             QTest::keyClick(&d.window, Qt::Key_Escape);
         },
         -1, false},
        {"close button",
         [](Dialog &d) {
             d.list->setCurrentRow(1);
             d.window.close();
         },
         -1, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Dialog dialog;
        c.act(dialog);

        EXPECT_FALSE(dialog.window.isVisible());
        EXPECT_EQ(dialog.accepted.size(), c.accepted ? 1 : 0);
        EXPECT_EQ(dialog.rejected.size(), c.accepted ? 0 : 1);
        ASSERT_EQ(dialog.selected.size(), c.chosenRow < 0 ? 0 : 1);
        if (c.chosenRow >= 0) {
            EXPECT_EQ(dialog.selected.at(0).at(0).value<std::vector<double>>(), places[size_t(c.chosenRow)]);
            EXPECT_EQ(dialog.selected.at(0).at(1).toString(), names[c.chosenRow]);
        }
    }
}
