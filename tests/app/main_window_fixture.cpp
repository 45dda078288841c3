#include "tests/app/main_window_fixture.h"

#include "app/calculation_pool.h"

#include <QApplication>
#include <QErrorMessage>
#include <QTextEdit>

MainWindowTest::MainWindowTest() : window(std::make_unique<MainWindow>())
{
    window->show();
    QObject::connect(find<QProgressBar>("progressBar"), &QProgressBar::valueChanged,
                     [this](int value) { barValues.push_back(value); });
}

MainWindowTest::~MainWindowTest()
{
    waitForWorkers();
    takeErrorMessages();
    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList MainWindowTest::listTexts(const char *listName) const
{
    QStringList texts;
    for (int row = 0; row < list(listName)->count(); ++row)
        texts << list(listName)->item(row)->text();
    return texts;
}

void MainWindowTest::waitForWorkers()
{
    EXPECT_TRUE(QTest::qWaitFor([] { return calculation_pool().activeThreadCount() == 0; }, 180000));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::string MainWindowTest::calculateCapturing()
{
    barValues.clear();
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    calculate();
    errorLines.clear();
    for (const QString &l : QString::fromStdString(::testing::internal::GetCapturedStderr()).split('\n')) {
        // The offscreen platform's own warnings left out.
        if (!l.isEmpty() && !l.startsWith("This plugin does not support") &&
            (errorLines.isEmpty() || errorLines.last() != l))
            errorLines << l;
    }
    return ::testing::internal::GetCapturedStdout();
}

QStringList MainWindowTest::tableRow(int row) const
{
    const QTableWidget *table = find<QTableWidget>("distanceTable");
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column)
        cells << table->item(row, column)->text();
    return cells;
}

QStringList MainWindowTest::headers() const
{
    const QTableWidget *table = find<QTableWidget>("distanceTable");
    QStringList columns, rows;
    for (int i = 0; i < table->columnCount(); ++i) {
        columns << table->horizontalHeaderItem(i)->text();
        rows << table->verticalHeaderItem(i)->text();
    }
    EXPECT_EQ(table->rowCount(), table->columnCount());
    EXPECT_EQ(rows, columns);
    return columns;
}

QStringList MainWindowTest::takeErrorMessages()
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
