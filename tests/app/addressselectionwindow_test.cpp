#include "app/addressselectionwindow.h"
#include "tests/support/qt_printing.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The last two places share a name, so only the point tells their rows apart.
const vector_2d_double places{{50.0875, 14.4214}, {49.1951, 16.6068}, {49.1951, 16.6068001}};
const QList<QString> names{"Náměstí Míru, Praha", "Náměstí Svobody, Brno", "Náměstí Svobody, Brno"};

struct Dialog
{
    AddressSelectionWindow window{nullptr, places, names};
    QListWidget *list = window.findChild<QListWidget *>("locationList");
    QDialogButtonBox *buttons = window.findChild<QDialogButtonBox *>("buttonBox");
    QSignalSpy selected{&window, &AddressSelectionWindow::addressSelected};
    QSignalSpy accepted{&window, &QDialog::accepted};
};

// Every place is a row; OK appears with the first selection, once. The chosen
// row is reported once, or nothing when none is chosen.
TEST(AddressSelectionWindow, ListsThePlacesAndReportsTheChosenOneOnceOrNothing)
{
    const struct {
        const char *name;
        void (*act)(Dialog &);
        int chosenRow; // -1: no choice reported
        bool accepted;
    } cases[] = {
        {"OK", [](Dialog &d) {
             d.list->setCurrentRow(0), d.list->setCurrentRow(2);
             EXPECT_EQ(d.buttons->buttons().size(), 2);
             d.buttons->button(QDialogButtonBox::Ok)->click();
         }, 2, true},
        // As a mouse delivers it: a click, then the double-click.
        {"double-click", [](Dialog &d) {
             const QPoint center = d.list->visualItemRect(d.list->item(1)).center();
             QTest::mouseClick(d.list->viewport(), Qt::LeftButton, {}, center);
             QTest::mouseDClick(d.list->viewport(), Qt::LeftButton, {}, center);
         }, 1, true},
        {"accept without a current row", [](Dialog &d) { d.list->setCurrentItem(nullptr), d.window.accept(); }, -1,
         true},
        {"Escape", [](Dialog &d) { d.list->setCurrentRow(1), QTest::keyClick(&d.window, Qt::Key_Escape); }, -1, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Dialog dialog;
        dialog.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog.window));
        QStringList rows;
        for (int row = 0; row < dialog.list->count(); ++row)
            rows << dialog.list->item(row)->text();
        EXPECT_EQ(rows, names);
        EXPECT_EQ(dialog.buttons->standardButtons(), QDialogButtonBox::Cancel);
        c.act(dialog);
        EXPECT_FALSE(dialog.window.isVisible());
        EXPECT_EQ(dialog.accepted.size(), c.accepted ? 1 : 0);
        ASSERT_EQ(dialog.selected.size(), c.chosenRow < 0 ? 0 : 1);
        if (c.chosenRow >= 0) {
            EXPECT_EQ(dialog.selected.at(0).at(0).value<std::vector<double>>(), places[size_t(c.chosenRow)]);
            EXPECT_EQ(dialog.selected.at(0).at(1).toString(), names[c.chosenRow]);
        }
    }
}

} // namespace
