#include "app/calculation_pool.h"
#include "app/matrix_shape.h"
#include "app/ors_default_key.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/stand_in_http_server.h"

#include <QApplication>
#include <QClipboard>
#include <QErrorMessage>
#include <QGuiApplication>
#include <QTest>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

const QString connecting = QStringLiteral("Připojování k\u00a0serveru…");
const QString receiving = QStringLiteral("Získávání odpovědi…");
const QString reading = QStringLiteral("Načítání odpovědi ve formátu JSON…");
const QString extracting = QStringLiteral("Extrakce vzdáleností z\u00a0formátu JSON…");
const QString notJson = QStringLiteral("Obdržené údaje nejsou ve formátu JSON.\r\n"
                                       "Jste si jisti, že daná adresa skutečně odkazuje na zvolenou službu?\r\n");
const QString prague = QStringLiteral("(50.0755381,14.4378005)");
const QString brno = QStringLiteral("(49.1950602,16.6068371)");

// Calculations through a stand-in web service.
class CalculationTest : public MainWindowTest
{
protected:
    CalculationTest()
    {
        selectEngine("osmrNet");
        line("osmrServerInput")->setText(server.baseUrl());
        line("orsServerInput")->setText(server.baseUrl());
    }

    void addPragueAndBrno()
    {
        enter(QStringLiteral("50.0755381, 14.4378005"));
        enter(QStringLiteral("49.1950602, 16.6068371"));
    }

    StandInHttpServer server;
};

TEST_F(CalculationTest, OsrmMatrixReachesTheTableTheCsvTheClipboardAndStandardOutput)
{
    addPragueAndBrno();
    server.enqueue(200, R"({"code":"Ok","distances":[[0,12345.6],[12001.2,0]]})");
    EXPECT_EQ(calculateCapturing(), "0,12345\r\n12001,0\r\n");

    ASSERT_EQ(server.requests().size(), 1u);
    const RecordedRequest request = server.requests()[0];
    EXPECT_EQ(request.method, QByteArray("GET"));
    EXPECT_EQ(request.target,
              QByteArray("/table/v1/driving/14.4378005,50.0755381;16.6068371,49.1950602?annotations=distance"));
    EXPECT_EQ(request.header("User-Agent"), QByteArray("Distamatic"));

    EXPECT_EQ(barValues, std::vector<int>({20, 50, 75, 100}));
    EXPECT_EQ(errorLines(), QStringList({connecting, receiving, reading, extracting}));
    EXPECT_TRUE(find<QProgressBar>("progressBar")->format().isEmpty());
    EXPECT_TRUE(takeErrorMessages().isEmpty());

    EXPECT_EQ(headers(), QStringList({prague, brno}));
    EXPECT_EQ(tableRow(0), QStringList({"0 m", "12345 m"}));
    EXPECT_EQ(tableRow(1), QStringList({"12001 m", "0 m"}));
    EXPECT_EQ(csv(), QStringLiteral("0,12345\r\n12001,0\r\n").replace("\r\n", "\n"));

    ASSERT_TRUE(button("copyCsvButton")->isEnabled());
    QTest::mouseClick(button("copyCsvButton"), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), csv());

    // The locations as a header row and column; the relabelling writes nothing to standard output.
    ::testing::internal::CaptureStdout();
    action("actionCoordsInCSV")->setChecked(true);
    EXPECT_EQ(csv(), QStringLiteral(",(50.0755381;14.4378005) | ,(49.1950602;16.6068371) | \n"
                                    "(50.0755381;14.4378005) | ,0,12345\n"
                                    "(49.1950602;16.6068371) | ,12001,0\n"));
    action("actionShowNames")->setChecked(false);
    EXPECT_EQ(csv(), QStringLiteral(",(50.0755381;14.4378005),(49.1950602;16.6068371)\n"
                                    "(50.0755381;14.4378005),0,12345\n"
                                    "(49.1950602;16.6068371),12001,0\n"));
    action("actionCopyCSV")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), csv());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");

    // On foot, with the map data of the first run.
    find<QComboBox>("travelTypeCombo")->setCurrentIndex(1);
    server.enqueue(200, R"({"distances":[[0,1],[2,0]]})");
    calculateCapturing();
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_TRUE(server.requests()[1].target.startsWith("/table/v1/foot/14.4378005,50.0755381;"));
}

TEST_F(CalculationTest, OpenRouteServiceMatrixIsLabelledWithTheNamesFound)
{
    server.enqueue(200, R"({"features":[{"geometry":{"coordinates":[14.4378005,50.0755381]},)"
                        R"("properties":{"label":"Praha, Hlavní nádraží"}}]})");
    enter(QStringLiteral("Praha hlavní nádraží"));
    enter(QStringLiteral("49.1950602, 16.6068371"));
    selectEngine("openRouteService");
    server.enqueue(200, R"({"distances":[[0,200.9],[201,0]],"metadata":{}})");
    EXPECT_EQ(calculateCapturing(), "0,200\r\n201,0\r\n");

    ASSERT_EQ(server.requests().size(), 2u);
    const RecordedRequest request = server.requests()[1];
    EXPECT_EQ(request.method, QByteArray("POST"));
    EXPECT_EQ(request.target, QByteArray("/v2/matrix/driving-car"));
    EXPECT_EQ(request.header("Authorization"), ors_default_api_key().toUtf8());
    EXPECT_EQ(request.header("Content-Type"), QByteArray("application/json"));
    EXPECT_EQ(request.body, QByteArray(R"({"metrics":["distance"],"locations":[[14.4378005,50.0755381],)"
                                       R"([16.6068371,49.1950602]]})"));

    EXPECT_EQ(headers(), QStringList({"Praha, Hlavní nádraží", brno}));
    action("actionCoordsInCSV")->setChecked(true);
    EXPECT_EQ(csv(), QStringLiteral(",(50.0755381;14.4378005) | Praha Hlavní nádraží,(49.1950602;16.6068371) | \n"
                                    "(50.0755381;14.4378005) | Praha Hlavní nádraží,0,200\n"
                                    "(49.1950602;16.6068371) | ,201,0\n"));

    // A key of the user's own.
    find<QCheckBox>("orsUseDefaultApiInput")->setChecked(false);
    line("orsApiKeyInput")->setText(QStringLiteral("my-key"));
    server.enqueue(200, R"({"distances":[[0,1],[2,0]]})");
    calculateCapturing();
    ASSERT_EQ(server.requests().size(), 3u);
    EXPECT_EQ(server.requests()[2].header("Authorization"), QByteArray("my-key"));
}

// A coordinate closer to 0 than 0.0001 is listed in exponent form, and still
// reaches the engine as a point.
TEST_F(CalculationTest, PointsNearZeroReachTheEngine)
{
    enter(QStringLiteral("0.00001, -0.00001"));
    enter(QStringLiteral("1, 1"));
    server.enqueue(200, R"({"distances":[[0,157],[157,0]]})");
    EXPECT_EQ(calculateCapturing(), "0,157\r\n157,0\r\n");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].target, QByteArray("/table/v1/driving/-1e-05,1e-05;1,1?annotations=distance"));
    EXPECT_EQ(headers(), QStringList({"(1e-05,-1e-05)", "(1,1)"}));
}

TEST_F(CalculationTest, OneLocationIsNotEnough)
{
    enter(QStringLiteral("50.0755381, 14.4378005"));
    EXPECT_EQ(calculateCapturing(), "");
    EXPECT_EQ(takeErrorMessages(), QStringList({"Pro výpočet sazeb prosím zadejte alespoň dvě lokace."}));
    EXPECT_TRUE(errorLines().isEmpty());
    EXPECT_TRUE(server.requests().empty());
    EXPECT_FALSE(button("calculateButton")->isEnabled());
    EXPECT_FALSE(find<QComboBox>("travelTypeCombo")->isEnabled());

    // A second location makes the calculation possible again.
    enter(QStringLiteral("49.1950602, 16.6068371"));
    ASSERT_TRUE(button("calculateButton")->isEnabled());
    server.enqueue(200, R"({"distances":[[0,1],[2,0]]})");
    EXPECT_EQ(calculateCapturing(), "0,1\r\n2,0\r\n");
}

// Each failure reaches the error dialog (as plain text) and standard error;
// the stored result and its views stay as they were.
TEST_F(CalculationTest, FailuresReachTheDialogAndStandardError)
{
    addPragueAndBrno();
    server.enqueue(200, R"({"distances":[[0,5],[7,0]]})");
    calculateCapturing();

    const QString transferFailed =
        QStringLiteral("Získávání údajů od serveru se nezdařilo. Jste připojeni k\u00a0internetu? "
                       "Je zvolená služba dostupná?\r\n");
    const QString markupMessage = QStringLiteral("Zvolená služba odpověděla na váš požadavek chybou:\r\n"
                                                 "<b>Too many</b> requests\r\n& <a href=\"x\">retry</a>");
    struct Case
    {
        const char *engine;
        int status;
        QByteArray body;
        QStringList messages; // the start of each message, in the order reported
    };
    const std::vector<Case> cases = {
        {"openRouteService", 403, R"({"error":"Access to this API has been disallowed"})",
         {transferFailed, "Zvolený klíč k API je neplatný – na stránkách si můžete vytvořit nový."}},
        {"osmrNet", 200, "<html>Bad gateway</html>", {notJson}},
        {"osmrNet", 200, R"({"error":"<b>Too many</b> requests\r\n& <a href=\"x\">retry</a>"})", {markupMessage}},
    };
    for (const Case &c : cases) {
        selectEngine(c.engine);
        server.enqueue(c.status, c.body);
        enter(QStringLiteral("1, 1")); // re-enables the calculate button after the previous error
        EXPECT_EQ(calculateCapturing(), "") << c.engine;

        QStringList shown = takeErrorMessages();
        shown.sort();
        QStringList expected;
        for (const QString &message : c.messages) {
            EXPECT_TRUE(errorOutput.contains(message)) << errorOutput.toStdString();
            expected << QString(message).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        }
        expected.sort();
        ASSERT_EQ(shown.size(), expected.size());
        for (int i = 0; i < shown.size(); ++i)
            EXPECT_TRUE(shown[i].startsWith(expected[i])) << shown[i].toStdString();
        EXPECT_EQ(find<QProgressBar>("progressBar")->value(), 0);
        EXPECT_TRUE(find<QProgressBar>("progressBar")->format().isEmpty());
        EXPECT_FALSE(button("calculateButton")->isEnabled());
        EXPECT_EQ(tableRow(1), QStringList({"7 m", "0 m"}));
    }

    // No server at all: the transfer's failure, then the empty reply's.
    ClosedPort closed;
    selectEngine("osmrNet");
    line("osmrServerInput")->setText(closed.baseUrl());
    calculateCapturing();
    QStringList messages = takeErrorMessages();
    messages.sort();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].startsWith(QString(notJson).replace("\r\n", "\n"))) << messages[0].toStdString();
    EXPECT_TRUE(messages[1].startsWith(QString(transferFailed).replace("\r\n", "\n"))) << messages[1].toStdString();
    EXPECT_TRUE(errorOutput.contains(transferFailed));
}

// A result keeps the names listed when its calculation started, whatever the
// list holds when it is relabelled later.
TEST_F(CalculationTest, ResultKeepsTheNamesItWasCalculatedWith)
{
    server.enqueue(200, R"({"features":[{"geometry":{"coordinates":[14.42,50.08]},"properties":{"label":"Praha"}}]})");
    enter(QStringLiteral("Praha"));
    enter(QStringLiteral("49.19, 16.61"));
    server.enqueue(200, R"({"distances":[[0,5],[7,0]]})");
    calculateCapturing();
    EXPECT_EQ(headers(), QStringList({"Praha", "(49.19,16.61)"}));

    // Brno first, then a named place; the calculation fails.
    list("coordinateList")->setCurrentRow(0);
    QTest::mouseClick(button("addressDelButton"), Qt::LeftButton);
    server.enqueue(200, R"({"features":[{"geometry":{"coordinates":[15,50]},"properties":{"label":"Kolín"}}]})");
    enter(QStringLiteral("Kolín"));
    server.enqueue(200, "not json");
    calculateCapturing();
    takeErrorMessages();

    action("actionShowNames")->setChecked(false);
    action("actionShowNames")->setChecked(true);
    EXPECT_EQ(headers(), QStringList({"Praha", "(49.19,16.61)"}));
}

TEST_F(CalculationTest, ToggledViewsWaitForTheRunningCalculation)
{
    // Before any result: an empty table, and only the header line's corner.
    action("actionCoordsInCSV")->setChecked(true);
    EXPECT_EQ(find<QTableWidget>("distanceTable")->rowCount(), 0);
    EXPECT_EQ(csv(), QStringLiteral(",\n"));

    addPragueAndBrno();
    server.enqueue(StandInReply{200, R"({"distances":[[0,5],[7,0]]})", "application/json", 1,
                                std::chrono::milliseconds(300)});
    QTest::mouseClick(button("calculateButton"), Qt::LeftButton);
    action("actionCoordsInCSV")->setChecked(false);
    EXPECT_EQ(csv(), QStringLiteral(",\n"));
    waitForWorkers();
    EXPECT_EQ(csv(), QStringLiteral("0,5\n7,0\n"));
}

// A second click while a calculation runs starts nothing; the window keeps
// working and ends cleanly when settings change or it closes meanwhile.
TEST_F(CalculationTest, OneCalculationRunsAtATime)
{
    addPragueAndBrno();
    const StandInReply heldBack{200, R"({"distances":[[0,5],[7,0]]})", "application/json", 2,
                                std::chrono::milliseconds(400)};
    server.enqueue(heldBack);
    QTest::mouseClick(button("calculateButton"), Qt::LeftButton);
    QTest::mouseClick(button("calculateButton"), Qt::LeftButton);
    button("calculateButton")->click();
    EXPECT_FALSE(button("calculateButton")->isEnabled());
    EXPECT_FALSE(find<QComboBox>("travelTypeCombo")->isEnabled());

    // Changing the server discards the map data the running calculation uses.
    StandInHttpServer second;
    line("osmrServerInput")->setText(second.baseUrl());
    waitForWorkers();
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(tableRow(0), QStringList({"0 m", "5 m"}));
    EXPECT_TRUE(find<QComboBox>("travelTypeCombo")->isEnabled());

    // The next calculation goes to the new server.
    second.enqueue(200, R"({"distances":[[0,1],[2,0]]})");
    calculate();
    EXPECT_EQ(second.requests().size(), 1u);
    EXPECT_EQ(tableRow(0), QStringList({"0 m", "1 m"}));
}

// An error clears the busy state before the worker has returned; a click
// in between (here: just before the window learns that the worker finished)
// must not start a second worker.
TEST_F(CalculationTest, NoNewWorkerBeforeThePreviousOneHasReturned)
{
    addPragueAndBrno();
    server.enqueue(200, "not json");
    server.enqueue(200, R"({"distances":[[0,5],[7,0]]})");

    // Clicks when the worker's next report after the error reaches the window.
    struct ClickBeforeFinish : QObject
    {
        std::function<void()> click;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::FutureCallOut && click && errorShown())
                std::exchange(click, nullptr)();
            return false;
        }
        static bool errorShown()
        {
            const QWidgetList windows = QApplication::topLevelWidgets();
            return std::any_of(windows.begin(), windows.end(), [](QWidget *w) {
                return qobject_cast<QErrorMessage *>(w) != nullptr && w->isVisible();
            });
        }
    } filter;
    filter.click = [&] {
        enter(QStringLiteral("1, 1"));
        ASSERT_TRUE(button("calculateButton")->isEnabled());
        button("calculateButton")->click();
        // A calculation that started would have disabled the button.
        EXPECT_TRUE(button("calculateButton")->isEnabled());
    };
    qApp->installEventFilter(&filter);
    calculateCapturing();
    qApp->removeEventFilter(&filter);
    EXPECT_EQ(filter.click, nullptr);
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(takeErrorMessages().size(), 1);

    // Once it has returned, the next click calculates.
    button("calculateButton")->click();
    waitForWorkers();
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(CalculationTest, ClosingOrDestroyingTheWindowDuringACalculationIsSafe)
{
    addPragueAndBrno();
    server.enqueue(StandInReply{200, R"({"distances":[[0,5],[7,0]]})", "application/json", 2,
                                std::chrono::milliseconds(300)});
    QTest::mouseClick(button("calculateButton"), Qt::LeftButton);
    window->close();
    window.reset();
    EXPECT_GT(calculation_pool().activeThreadCount(), 0);
    waitForWorkers();
    EXPECT_TRUE(takeErrorMessages().isEmpty());
}

TEST(MatrixShape, FitsOnlyOneRowOfOneValuePerPoint)
{
    const vector_2d_double two = {{1, 1}, {2, 2}};
    EXPECT_TRUE(matrix_fits_points(two, {{0, 1}, {1, 0}}));
    EXPECT_TRUE(matrix_fits_points({}, {}));
    EXPECT_FALSE(matrix_fits_points(two, {{0, 1}}));
    EXPECT_FALSE(matrix_fits_points(two, {{0, 1}, {1}}));
    EXPECT_FALSE(matrix_fits_points(two, {{0, 1}, {1, 0, 2}}));
    EXPECT_FALSE(matrix_fits_points(two, {{0, 1}, {1, 0}, {2, 2}}));
}

} // namespace
