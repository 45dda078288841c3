#ifndef TESTS_APP_MAIN_WINDOW_FIXTURE_H
#define TESTS_APP_MAIN_WINDOW_FIXTURE_H

#include "app/mainwindow.h"
#include "tests/support/qt_printing.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <memory>

// A main window driven through its widgets, as a user would.
class MainWindowTest : public ::testing::Test
{
protected:
    MainWindowTest();
    ~MainWindowTest() override;

    // The form's object of that name and class; fails the test when missing.
    template <class T>
    T *find(const char *name) const
    {
        T *object = window->findChild<T *>(QLatin1String(name));
        EXPECT_NE(object, nullptr) << name;
        return object;
    }
    QLineEdit *line(const char *name) const { return find<QLineEdit>(name); }
    QPushButton *button(const char *name) const { return find<QPushButton>(name); }
    QAction *action(const char *name) const { return find<QAction>(name); }
    QListWidget *list(const char *name) const { return find<QListWidget>(name); }

    // Types the text into the entry and presses Enter.
    void enter(const QString &text);
    void selectEngine(const char *pageName);
    QStringList listTexts(const char *listName) const;

    // Clicks "Vypočíst matici" and waits until the calculation's worker has
    // returned and everything it reported has reached the window.
    void calculate();
    static void waitForWorkers();

    // Texts of the error dialogs shown (as the user reads them, line breaks as
    // "\n"), which are then closed.
    static QStringList takeErrorMessages();

    std::unique_ptr<MainWindow> window;
};

#endif
