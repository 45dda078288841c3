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
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A main window driven through its widgets, as a user would.
class MainWindowTest : public ::testing::Test
{
protected:
    MainWindowTest();
    ~MainWindowTest() override;

    // The form's object of that name; fails the test when missing.
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
    QString csv() const { return find<QTextBrowser>("distanceText")->toPlainText(); }

    // Types the text into the entry and presses Enter.
    void enter(const QString &text)
    {
        line("addressInput")->setText(text);
        QTest::keyClick(line("addressInput"), Qt::Key_Return);
    }
    void selectEngine(const char *pageName)
    {
        find<QTabWidget>("enginesTabWidget")->setCurrentWidget(find<QWidget>(pageName));
    }
    QStringList listTexts(const char *listName) const;

    // Clicks "Vypočíst matici" and waits until the worker has returned and all
    // it reported has reached the window.
    void calculate()
    {
        QTest::mouseClick(button("calculateButton"), Qt::LeftButton);
        waitForWorkers();
    }
    static void waitForWorkers();
    // The same, keeping the progress bar's values in `barValues` and standard
    // error's lines (each repeated line once) in `errorLines`; returns standard output.
    std::string calculateCapturing();

    QStringList tableRow(int row) const;
    // The column headers, which the row headers must equal.
    QStringList headers() const;
    // The texts of the open error dialogs as the user reads them (line breaks
    // as "\n"), which are then closed.
    static QStringList takeErrorMessages();

    std::unique_ptr<MainWindow> window;
    std::vector<int> barValues;
    QStringList errorLines;
};

#endif
