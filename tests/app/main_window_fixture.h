#ifndef TESTS_APP_MAIN_WINDOW_FIXTURE_H
#define TESTS_APP_MAIN_WINDOW_FIXTURE_H

#include "app/calculation_pool.h"
#include "app/calculation_relay.h"
#include "app/mainwindow.h"
#include "tests/support/qt_printing.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QErrorMessage>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Runs a calculation in the window as its calculate button does, on an
// engine of the test's own: `makeRouter` is called on the worker.
class MainWindowTestAccess
{
public:
    static void calculateWith(MainWindow &window, std::function<std::unique_ptr<Router>()> makeRouter)
    {
        MainWindow::EngineJob job;
        job.start = [makeRouter](CalculationRelay &) { return MainWindow::EngineRun{{}, {}, makeRouter()}; };
        window.beginCalculation(std::move(job));
    }
};

// How a child process of this test program went: whether it ended normally
// within 30 s, its exit code, and how long it ran.
struct ChildRun
{
    bool ended;
    int exitCode;
    qint64 milliseconds;
};
// Runs the disabled test that `filter` names in a child process, with the
// environment variable `flag` set when it is not empty.
inline ChildRun run_disabled_test_in_child(const QString &filter, const QString &flag = QString())
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!flag.isEmpty())
        environment.insert(flag, "1");
    child.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests", "--gtest_filter=" + filter});
    const bool ended = child.waitForFinished(30000) && child.exitStatus() == QProcess::NormalExit;
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished();
    }
    return {ended, child.exitCode(), timer.elapsed()};
}

// A main window driven through its widgets, as a user would.
class MainWindowTest : public ::testing::Test
{
protected:
    MainWindowTest() : window(std::make_unique<MainWindow>())
    {
        window->show();
        QObject::connect(find<QProgressBar>("progressBar"), &QProgressBar::valueChanged,
                         [this](int value) { barValues.push_back(value); });
    }
    ~MainWindowTest() override
    {
        waitForWorkers();
        takeErrorMessages();
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The form's object of that name; fails the test when missing.
    template <class T>
    T *find(const QString &name) const
    {
        T *object = window->findChild<T *>(name);
        EXPECT_NE(object, nullptr) << name.toStdString();
        return object;
    }
    QLineEdit *line(const char *name) const { return find<QLineEdit>(name); }
    QPushButton *button(const char *name) const { return find<QPushButton>(name); }
    QAction *action(const char *name) const { return find<QAction>(name); }
    QListWidget *list(const char *name) const { return find<QListWidget>(name); }
    QString csv() const { return find<QTextBrowser>("distanceText")->toPlainText(); }
    QStringList listTexts(const char *name) const
    {
        QStringList texts;
        for (int row = 0; row < list(name)->count(); ++row)
            texts << list(name)->item(row)->text();
        return texts;
    }
    QStringList tableRow(int row) const
    {
        QStringList cells;
        for (int column = 0; column < find<QTableWidget>("distanceTable")->columnCount(); ++column)
            cells << find<QTableWidget>("distanceTable")->item(row, column)->text();
        return cells;
    }
    // The column headers, which the row headers must equal.
    QStringList headers() const
    {
        const QTableWidget *table = find<QTableWidget>("distanceTable");
        QStringList columns, rows;
        for (int i = 0; i < table->columnCount(); ++i)
            columns << table->horizontalHeaderItem(i)->text(), rows << table->verticalHeaderItem(i)->text();
        EXPECT_EQ(table->rowCount(), table->columnCount());
        EXPECT_EQ(rows, columns);
        return columns;
    }

    // Types the text into the entry and presses Enter.
    void enter(const QString &text)
    {
        line("addressInput")->setText(text);
        QTest::keyClick(line("addressInput"), Qt::Key_Return);
    }
    void selectEngine(const QString &tab)
    {
        find<QTabWidget>("enginesTabWidget")->setCurrentWidget(find<QWidget>(tab));
    }

    // Clicks "Vypočíst matici" and waits until the worker has returned and all
    // it reported has reached the window.
    void calculate()
    {
        QTest::mouseClick(button("calculateButton"), Qt::LeftButton);
        waitForWorkers();
    }
    static void waitForWorkers()
    {
        // The real extract loads slowly under the sanitizers on a busy machine.
        EXPECT_TRUE(QTest::qWaitFor([] { return calculation_pool().activeThreadCount() == 0; }, 180000));
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The same, keeping the progress bar's values in `barValues` and standard
    // error's lines in `errorLines`; returns standard output.
    std::string calculateCapturing()
    {
        barValues.clear();
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        calculate();
        errorLines.clear();
        for (const QString &l : QString::fromStdString(::testing::internal::GetCapturedStderr()).split('\n')) {
            // The offscreen platform's own warnings left out.
            if (!l.isEmpty() && !l.startsWith("This plugin does not support"))
                errorLines << l;
        }
        return ::testing::internal::GetCapturedStdout();
    }

    // The texts of the open error dialogs as the user reads them (line breaks
    // as "\n"), which are then closed.
    static QStringList takeErrorMessages()
    {
        QStringList texts;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QErrorMessage *>(widget);
            if (dialog == nullptr || !dialog->isVisible())
                continue;
            // The raw text keeps no-break spaces, which the plain text turns into blanks.
            texts << dialog->findChild<QTextEdit *>()->document()->toRawText().replace(QChar::LineSeparator, '\n');
            dialog->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return texts;
    }

    std::unique_ptr<MainWindow> window;
    std::vector<int> barValues;
    QStringList errorLines;
};

#endif
