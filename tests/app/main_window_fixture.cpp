#include "tests/app/main_window_fixture.h"

#include "app/calculation_pool.h"

#include <QApplication>
#include <QErrorMessage>
#include <QTest>
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

void MainWindowTest::enter(const QString &text)
{
    line("addressInput")->setText(text);
    QTest::keyClick(line("addressInput"), Qt::Key_Return);
}

void MainWindowTest::selectEngine(const char *pageName)
{
    QTabWidget *tabs = find<QTabWidget>("enginesTabWidget");
    tabs->setCurrentWidget(tabs->findChild<QWidget *>(QLatin1String(pageName)));
}

QStringList MainWindowTest::listTexts(const char *listName) const
{
    QStringList texts;
    for (int row = 0; row < list(listName)->count(); ++row)
        texts << list(listName)->item(row)->text();
    return texts;
}

void MainWindowTest::calculate()
{
    QTest::mouseClick(button("calculateButton"), Qt::LeftButton);
    waitForWorkers();
}

void MainWindowTest::waitForWorkers()
{
    EXPECT_TRUE(QTest::qWaitFor([] { return calculation_pool().activeThreadCount() == 0; }, 20000));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::string MainWindowTest::calculateCapturing()
{
    barValues.clear();
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    calculate();
    errorOutput = QString::fromStdString(::testing::internal::GetCapturedStderr());
    return ::testing::internal::GetCapturedStdout();
}

QStringList MainWindowTest::errorLines() const
{
    QStringList lines;
    for (const QString &l : errorOutput.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (!l.startsWith(QLatin1String("This plugin does not support")) && (lines.isEmpty() || lines.last() != l))
            lines << l;
    }
    return lines;
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
    for (int i = 0; i < table->columnCount(); ++i)
        columns << table->horizontalHeaderItem(i)->text();
    for (int i = 0; i < table->rowCount(); ++i)
        rows << table->verticalHeaderItem(i)->text();
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
        texts << dialog->findChild<QTextEdit *>()
                     ->document()
                     ->toRawText()
                     .replace(QChar::LineSeparator, QLatin1Char('\n'))
                     .replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        dialog->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return texts;
}
