#include "app/ors_default_key.h"
#include "app/program_end.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/stand_in_http_server.h"

#include <QClipboard>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <new>
#include <stdexcept>

namespace {

const QString connecting = "Připojování k\u00a0serveru…", receiving = "Získávání odpovědi…",
              reading = "Načítání odpovědi ve formátu JSON…", extracting = "Extrakce vzdáleností z\u00a0formátu JSON…";
const QString transferFailed = "Získávání údajů od serveru se nezdařilo. Jste připojeni k\u00a0internetu? "
                               "Je zvolená služba dostupná?\r\n";
const QString notJson = "Obdržené údaje nejsou ve formátu JSON.\r\n"
                        "Jste si jisti, že daná adresa skutečně odkazuje na zvolenou službu?\r\n";
const QByteArray fiveAndSeven = R"({"distances":[[0,5],[7,0]]})";

// Calculations of the web engines through a stand-in service: the routers run
// on the window's worker thread and report to the GUI thread.
class CalculationTest : public MainWindowTest
{
protected:
    CalculationTest()
    {
        selectEngine("osmrNet");
        line("osmrServerInput")->setText(server.baseUrl());
        line("orsServerInput")->setText(server.baseUrl());
    }

    void addTwoLocations()
    {
        enter("50.0755381, 14.4378005");
        enter("49.1950602, 16.6068371");
    }

    StandInHttpServer server;
};

// A hundred points, typed with more digits than the nine significant ones
// sent; base addresses with and without trailing slashes.
TEST_F(CalculationTest, SendsAHundredPointsInOneRequestOfEachService)
{
    std::string osrmPairs, orsPairs;
    QByteArray reply = "{\"distances\":[";
    for (int i = 0; i < 100; ++i) {
        const double lat = -33.8688197 + i * 0.0123456789, lon = 151.2092955 - i * 0.00098765;
        char typed[64], pair[64];
        std::snprintf(typed, sizeof typed, "%.12g, %.12g", lat, lon);
        std::snprintf(pair, sizeof pair, "%.9g,%.9g", lon, lat);
        enter(typed);
        osrmPairs += (i ? ";" : "") + std::string(pair);
        orsPairs += (i ? ",[" : "[") + std::string(pair) + "]";
        for (int j = 0; j < 100; ++j)
            reply += (j ? "," : "[") + QByteArray::number(100 * i + j + 0.5);
        reply += i < 99 ? "]," : "]]}";
    }
    const std::string osrmQuery = osrmPairs + "?annotations=distance";
    const struct {
        bool ors;
        int travelType;
        const char *baseSuffix;
        std::string target;
    } cases[] = {
        {false, 0, "", "/table/v1/driving/" + osrmQuery}, {false, 1, "/", "/table/v1/foot/" + osrmQuery},
        {false, 0, "/osrm//", "/osrm/table/v1/driving/" + osrmQuery}, {true, 0, "", "/v2/matrix/driving-car"},
        {true, 1, "/", "/v2/matrix/foot-walking"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.target.substr(0, 30));
        selectEngine(c.ors ? "openRouteService" : "osmrNet");
        line(c.ors ? "orsServerInput" : "osmrServerInput")->setText(server.baseUrl() + c.baseSuffix);
        find<QComboBox>("travelTypeCombo")->setCurrentIndex(c.travelType);
        server.enqueue({200, reply});
        calculateCapturing();
        EXPECT_EQ(tableRow(42).value(7), "4207 m");

        const RecordedRequest request = server.requests().back();
        EXPECT_EQ(request.target.toStdString(), c.target);
        EXPECT_EQ(request.body.toStdString(),
                  c.ors ? "{\"metrics\":[\"distance\"],\"locations\":[" + orsPairs + "]}" : "");
        EXPECT_EQ(request.method + " " + request.header("User-Agent") + " " + request.header("Authorization") + " " +
                      request.header("Content-Type"),
                  c.ors ? "POST Distamatic " + ors_default_api_key().toUtf8() + " application/json"
                        : "GET Distamatic  ");
    }
    EXPECT_EQ(server.requests().size(), 5u);
}

// One location is not enough. Each reply ends in a matrix or in messages,
// which reach standard error as they are and the error dialogs as plain text;
// after a failure the window keeps showing the last result. A point within
// 11 m of the equator and the prime meridian is listed in exponent form and
// still reaches the engine.
TEST_F(CalculationTest, TurnsEveryReplyIntoAMatrixOrMessages)
{
    enter("0.00001, -0.00001");
    EXPECT_EQ(calculateCapturing(), "");
    EXPECT_EQ(takeErrorMessages(), QStringList({"Pro výpočet sazeb prosím zadejte alespoň dvě lokace."}));
    enter("49.1950602, 16.6068371");
    const QString format = "Obdržené údaje nejsou v\u00a0tom správném formátu.\r\n"
                           "Jste si jisti, že daná adresa skutečně odkazuje na zvolenou službu?\r\n";
    const QByteArray valid = R"({"code":"Ok","distances":[[0,1500.7],[1498.2,0]],"sources":[]})";
    const std::chrono::milliseconds pause(20);
    // clang-format off
    const struct {
        const char *name;
        StandInReply reply; // status 0: nothing listens
        std::string matrix; // on standard output
        QStringList errors; // a failed transfer's goes on with Qt's reason
    } cases[] = {
        {"extra members, slowly", {200, valid, "application/json", pause}, "0,1500\r\n1498,0\r\n", {}},
        {"truncated toward zero at both ends of int", {200, R"({"distances":[[-0.5,2147483647.9],)"
                                                            R"([-2147483648.9,1e-300]]})"},
         "0,2147483647\r\n-2147483648,0\r\n", {}},
        {"error beside distances", {200, R"({"error":{"a":1},"distances":[[0,1],[2,0]]})"}, "0,1\r\n2,0\r\n", {}},
        {"null cell", {200, R"({"distances":[[0,null],[1498.2,0]]})"}, "", {format}},
        {"string cell", {200, R"({"distances":[[0,"1500"],[1498.2,0]]})"}, "", {format}},
        {"cell above int", {200, R"({"distances":[[0,2147483648],[1,0]]})"}, "", {format}},
        {"three rows for two points", {200, R"({"distances":[[0,1],[1,0],[2,2]]})"}, "", {format}},
        {"short row", {200, R"({"distances":[[0,1],[1]]})"}, "", {format}},
        {"row not an array", {200, R"({"distances":[[0,1],7]})"}, "", {format}},
        {"distances missing", {200, R"({"code":"Ok"})"}, "", {format}},
        {"top-level array", {200, "[[0,1],[1,0]]"}, "", {format}},
        {"invalid key", {403, R"({"error":"Access to this API has been disallowed"})"}, "",
         {transferFailed, "Zvolený klíč k API je neplatný – na stránkách si můžete vytvořit nový."}},
        {"other service error, with markup", {400, R"({"error":"<b>access</b> denied\r\n& <a href=\"x\">retry</a>"})"},
         "", {transferFailed, "Zvolená služba odpověděla na váš požadavek chybou:\r\n<b>access</b> denied\r\n& <a "
                              "href=\"x\">retry</a>"}},
        {"not JSON", {200, "Hello", "text/plain"}, "", {notJson}},
        {"empty body", {200, ""}, "", {notJson}},
        {"HTML 500 page", {500, "<html><h1>500 Server Error</h1></html>", "text/html"}, "", {transferFailed, notJson}},
        {"body cut short", {200, valid, "application/json", pause, true}, "", {transferFailed, notJson}},
        {"connection refused", {0, ""}, "", {transferFailed, notJson}},
    };
    // clang-format on
    QString shown;
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const auto &c = cases[i];
        SCOPED_TRACE(c.name);
        server.enqueue(c.reply);
        line("osmrServerInput")->setText(c.reply.status ? server.baseUrl() : server.refusingUrl());
        line("addressInput")->setText(QString::number(i)); // re-enables the calculate button after an error
        EXPECT_EQ(calculateCapturing(), c.matrix);

        // Standard error: every progress text in order, and each error as it is.
        QStringList progress = errorLines;
        progress.removeIf([&](const QString &l) { return l != connecting && l != reading && l != extracting; });
        EXPECT_EQ(progress, QStringList({connecting, reading, extracting}));
        EXPECT_TRUE(c.reply.body.isEmpty() || errorLines.contains(receiving));
        const QStringList dialogs = takeErrorMessages();
        ASSERT_EQ(dialogs.size(), c.errors.size());
        for (const QString &error : c.errors) {
            for (const QString &errorLine : error.split('\n', Qt::SkipEmptyParts))
                EXPECT_TRUE(errorLines.contains(errorLine)) << errorLine.toStdString();
            EXPECT_TRUE(std::any_of(dialogs.begin(), dialogs.end(), [&](const QString &dialog) {
                return dialog.startsWith(QString(error).replace("\r\n", "\n"));
            })) << error.toStdString();
        }
        if (!c.matrix.empty())
            shown = QString::fromStdString(c.matrix).remove('\r');
        EXPECT_EQ(csv(), shown);
        EXPECT_EQ(barValues.back(), c.matrix.empty() ? 0 : 100);
        EXPECT_TRUE(find<QProgressBar>("progressBar")->format().isEmpty());
        EXPECT_EQ(button("calculateButton")->isEnabled(), c.errors.isEmpty());
        EXPECT_TRUE(i > 0 || barValues == std::vector<int>({20, 50, 75, 100}));
    }
    EXPECT_EQ(server.requests()[0].target, "/table/v1/driving/-1e-05,1e-05;16.6068371,49.1950602?annotations=distance");

    // The last result: in the table, on the clipboard and, with the locations
    // as a header row and column, in the CSV view; relabelling writes nothing
    // to standard output.
    EXPECT_EQ(headers(), QStringList({"(1e-05,-1e-05)", "(49.1950602,16.6068371)"}));
    EXPECT_EQ(tableRow(0), QStringList({"0 m", "1 m"}));
    EXPECT_EQ(tableRow(1), QStringList({"2 m", "0 m"}));
    QTest::mouseClick(button("copyCsvButton"), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "0,1\n2,0\n");
    ::testing::internal::CaptureStdout();
    action("actionCoordsInCSV")->setChecked(true);
    EXPECT_EQ(csv(), ",(1e-05;-1e-05) | ,(49.1950602;16.6068371) | \n"
                     "(1e-05;-1e-05) | ,0,1\n"
                     "(49.1950602;16.6068371) | ,2,0\n");
    action("actionShowNames")->setChecked(false);
    EXPECT_EQ(csv(), ",(1e-05;-1e-05),(49.1950602;16.6068371)\n"
                     "(1e-05;-1e-05),0,1\n"
                     "(49.1950602;16.6068371),2,0\n");
    action("actionCopyCSV")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), csv());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

// The headers name the places found; a later result keeps the names listed
// when its calculation started.
TEST_F(CalculationTest, OpenRouteServiceMatrixIsLabelledWithTheNamesFound)
{
    const auto place = [](const char *lonLat, const char *name) {
        return QStringLiteral(R"({"features":[{"geometry":{"coordinates":[%1]},"properties":{"label":"%2"}}]})")
            .arg(lonLat, QString::fromUtf8(name))
            .toUtf8();
    };
    server.enqueue({200, place("14.4378005,50.0755381", "Praha, Hlavní nádraží")});
    enter("Praha hlavní nádraží");
    enter("49.1950602, 16.6068371");
    selectEngine("openRouteService");
    find<QCheckBox>("orsUseDefaultApiInput")->setChecked(false);
    line("orsApiKeyInput")->setText("my-key");
    server.enqueue({200, R"({"distances":[[0,200.9],[201,0]],"metadata":{}})"});
    EXPECT_EQ(calculateCapturing(), "0,200\r\n201,0\r\n");
    EXPECT_EQ(server.requests().back().header("Authorization"), "my-key");
    EXPECT_EQ(headers(), QStringList({"Praha, Hlavní nádraží", "(49.1950602,16.6068371)"}));
    action("actionCoordsInCSV")->setChecked(true);
    EXPECT_EQ(csv(), ",(50.0755381;14.4378005) | Praha Hlavní nádraží,(49.1950602;16.6068371) | \n"
                     "(50.0755381;14.4378005) | Praha Hlavní nádraží,0,200\n"
                     "(49.1950602;16.6068371) | ,201,0\n");

    // Praha goes and a named place comes while a calculation runs, whose
    // result keeps the names it started with; so does a failure.
    server.enqueue({200, R"({"distances":[[0,1],[2,0]]})", "application/json", std::chrono::milliseconds(500)});
    QTest::mouseClick(button("calculateButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return server.requests().size() == 3; }));
    list("coordinateList")->setCurrentRow(0);
    QTest::mouseClick(button("addressDelButton"), Qt::LeftButton);
    server.enqueue({200, place("15,50", "Kolín")});
    enter("Kolín");
    waitForWorkers();
    EXPECT_EQ(listTexts("addressList").size(), 2);
    EXPECT_EQ(headers(), QStringList({"Praha, Hlavní nádraží", "(49.1950602,16.6068371)"}));
    server.enqueue({200, "not json"});
    calculateCapturing();
    takeErrorMessages();
    action("actionShowNames")->setChecked(false);
    action("actionShowNames")->setChecked(true);
    EXPECT_EQ(headers(), QStringList({"Praha, Hlavní nádraží", "(49.1950602,16.6068371)"}));
}

// The key goes only to the server typed. A redirect of the matrix request
// within it is followed, key and body included; one to another origin (here
// another port of the same host) ends as a failed transfer, whatever its
// status, reaching no other server and taking no matrix, not even the one in
// the redirect's own body.
TEST_F(CalculationTest, OpenRouteServiceKeyFollowsRedirectsOnlyWithinTheServer)
{
    addTwoLocations();
    selectEngine("openRouteService");
    find<QCheckBox>("orsUseDefaultApiInput")->setChecked(false);
    line("orsApiKeyInput")->setText("my-key");
    const QByteArray matrixPath = "/v2/matrix/driving-car", nineAndNine = R"({"distances":[[0,9],[9,0]]})";
    for (const QByteArray &origin : {server.baseUrl().toUtf8(), QByteArray()}) {
        SCOPED_TRACE(origin.isEmpty() ? "relative" : "absolute");
        server.enqueue(
            {.status = 307, .body = nineAndNine, .headers = "Location: " + origin + "/moved" + matrixPath + "\r\n"});
        server.enqueue({200, fiveAndSeven});
        EXPECT_EQ(calculateCapturing(), "0,5\r\n7,0\r\n");
        const RecordedRequest first = server.requests().rbegin()[1], moved = server.requests().back();
        EXPECT_EQ(moved.method + " " + moved.target + " " + moved.header("Authorization"),
                  "POST /moved" + matrixPath + " my-key");
        EXPECT_EQ(moved.body, first.body);
    }

    StandInHttpServer elsewhere;
    const QString failed = QString(transferFailed).replace("\r\n", "\n");
    for (const int status : {307, 308, 301, 302, 303}) {
        SCOPED_TRACE(status);
        server.enqueue({.status = status,
                        .body = nineAndNine,
                        .headers = "Location: " + elsewhere.baseUrl().toUtf8() + matrixPath + "\r\n"});
        elsewhere.enqueue({200, nineAndNine});
        line("addressInput")->setText(QString::number(status)); // re-enables the calculate button after an error
        EXPECT_EQ(calculateCapturing(), "");
        const QStringList dialogs = takeErrorMessages();
        EXPECT_EQ(dialogs.size(), 2);
        EXPECT_TRUE(dialogs.contains(QString(notJson).replace("\r\n", "\n")));
        EXPECT_TRUE(std::any_of(dialogs.begin(), dialogs.end(), [&](const QString &dialog) {
            return dialog.startsWith(failed) && dialog.size() > failed.size();
        })) << dialogs.join('|').toStdString();
        EXPECT_EQ(csv(), "0,5\n7,0\n");
        EXPECT_EQ(barValues.back(), 0);
        EXPECT_FALSE(button("calculateButton")->isEnabled());
    }
    EXPECT_TRUE(elsewhere.requests().empty());
}

// A second click while a calculation runs starts nothing, and views toggled
// meanwhile wait for its result; changing the server discards the map data
// that the running calculation uses.
TEST_F(CalculationTest, OneCalculationRunsAtATimeAndTheWindowMayCloseDuringIt)
{
    addTwoLocations();
    server.enqueue({200, fiveAndSeven, "application/json", std::chrono::milliseconds(800)});
    QTest::mouseClick(button("calculateButton"), Qt::LeftButton);
    QTest::mouseClick(button("calculateButton"), Qt::LeftButton);
    button("calculateButton")->click();
    EXPECT_FALSE(button("calculateButton")->isEnabled());
    EXPECT_FALSE(find<QComboBox>("travelTypeCombo")->isEnabled());
    action("actionCoordsInCSV")->setChecked(true);
    EXPECT_EQ(csv(), "");

    StandInHttpServer second;
    line("osmrServerInput")->setText(second.baseUrl());
    waitForWorkers();
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(tableRow(0), QStringList({"0 m", "5 m"}));
    EXPECT_TRUE(find<QComboBox>("travelTypeCombo")->isEnabled());

    second.enqueue({200, R"({"distances":[[0,1],[2,0]]})"});
    calculate();
    EXPECT_EQ(second.requests().size(), 1u);
    EXPECT_EQ(tableRow(0), QStringList({"0 m", "1 m"}));

    // Closing and destroying the window under a running calculation is safe.
    second.enqueue({200, fiveAndSeven, "application/json", std::chrono::milliseconds(600)});
    QTest::mouseClick(button("calculateButton"), Qt::LeftButton);
    window->close();
    window.reset();
    EXPECT_GT(calculation_pool().activeThreadCount(), 0);
    waitForWorkers();
    EXPECT_TRUE(takeErrorMessages().isEmpty());
}

// An error clears the busy state before the worker has returned; a click in
// between (here: just before the window learns that the worker finished) must
// not start a second worker.
TEST_F(CalculationTest, NoNewWorkerBeforeThePreviousOneHasReturned)
{
    addTwoLocations();
    server.enqueue({200, "not json"});
    server.enqueue({200, fiveAndSeven});
    // Clicks at the worker's first report that reaches the window after the error reset the progress bar.
    struct ClickBeforeFinish : QObject
    {
        std::function<bool()> click;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::FutureCallOut && click && click())
                click = nullptr;
            return false;
        }
    } filter;
    filter.click = [&] {
        if (barValues.empty() || barValues.back() != 0)
            return false;
        enter("1, 1");
        EXPECT_TRUE(button("calculateButton")->isEnabled());
        button("calculateButton")->click();
        // A calculation that started would have disabled the button.
        EXPECT_TRUE(button("calculateButton")->isEnabled());
        return true;
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

// Run in a child process by the test below: the window closes while the
// server holds its reply back for a minute, and main's ending follows.
TEST_F(CalculationTest, DISABLED_ClosesDuringACalculation)
{
    addTwoLocations();
    server.enqueue({200, fiveAndSeven, "application/json", std::chrono::milliseconds(60000)});
    QTimer::singleShot(0, [&] { button("calculateButton")->click(); });
    QTimer::singleShot(500, [&] { action("actionQuit")->trigger(); });
    const int exitCode = QCoreApplication::exec();
    window.reset();
    end_program(exitCode + 3);
    ADD_FAILURE() << "the program went on after its window had closed during a calculation";
}

TEST(ProgramEnd, ClosingTheWindowDuringACalculationEndsTheProgramPromptly)
{
    const ChildRun run = run_disabled_test_in_child("*.DISABLED_ClosesDuringACalculation");
    ASSERT_TRUE(run.ended) << "the program hung";
    EXPECT_LT(run.milliseconds, 20000);
    EXPECT_EQ(run.exitCode, 3);
}

// A router that acts as the test says whatever the points.
class ScriptedRouter : public Router
{
public:
    explicit ScriptedRouter(std::function<void(Router &)> script) : script(std::move(script)) {}
    int pointDistance(double, double, double, double) override { return 0; }
    void calculateDistances(vector_2d_double) override { script(*this); }

private:
    std::function<void(Router &)> script;
};

// Whatever an engine throws on the worker, or a result that does not fit its
// points, leaves the last result in the table, the CSV view and on standard
// output as it was; a failure is shown as the calculation's, and the window
// calculates again afterwards.
TEST_F(CalculationTest, EnginesThatThrowOrDeliverMisfitsLeaveTheLastResult)
{
    addTwoLocations();
    server.enqueue({200, fiveAndSeven});
    calculate();
    ASSERT_EQ(csv(), "0,5\n7,0\n");
    const vector_2d_double two = {{1, 1}, {2, 2}};
    const auto delivering = [](vector_2d_double points, vector_2d_int matrix) {
        return [points, matrix] {
            return std::make_unique<ScriptedRouter>([=](Router &r) { emit r.distancesCalculated(points, matrix); });
        };
    };
    // clang-format off
    const struct {
        const char *name;
        std::function<std::unique_ptr<Router>()> makeRouter;
        QString failure; // the dialog's text, also on standard error; empty: none
    } cases[] = {
        {"router construction out of memory", []() -> std::unique_ptr<Router> { throw std::bad_alloc(); },
         "Výpočet se nezdařil.\nstd::bad_alloc"},
        {"calculation throws after progress", [] {
             return std::make_unique<ScriptedRouter>([](Router &r) {
                 emit r.calculationProgress(50, 0, "Počítání vzdáleností…");
                 throw std::runtime_error("disk on fire");
             });
         }, "Výpočet se nezdařil.\ndisk on fire"},
        {"something else thrown", []() -> std::unique_ptr<Router> { throw 7; }, "Výpočet se nezdařil.\n"},
        {"a row too few", delivering(two, {{0, 1}}), ""},
        {"a value too few", delivering(two, {{0, 1}, {1}}), ""},
        {"one point", delivering({{1, 1}}, {{0}}), ""},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        MainWindowTestAccess::calculateWith(*window, c.makeRouter);
        waitForWorkers();
        const QString errors = QString::fromStdString(::testing::internal::GetCapturedStderr()).remove('\r');
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
        EXPECT_TRUE(errors.contains(c.failure)) << errors.toStdString();
        EXPECT_EQ(takeErrorMessages(), c.failure.isEmpty() ? QStringList() : QStringList(c.failure));
        EXPECT_EQ(find<QProgressBar>("progressBar")->value(), c.failure.isEmpty() ? 100 : 0);
        EXPECT_EQ(tableRow(0), QStringList({"0 m", "5 m"}));
        EXPECT_EQ(csv(), "0,5\n7,0\n");
    }
    server.enqueue({200, R"({"distances":[[0,1],[2,0]]})"});
    line("addressInput")->setText("re-evaluated");
    calculate();
    EXPECT_EQ(csv(), "0,1\n2,0\n");
}

} // namespace
