#include "app/engines/fossgis.h"
#include "app/engines/openrouteservice.h"
#include "tests/support/qt_printing.h"
#include "tests/support/stand_in_http_server.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>

namespace {

const QString transfer_failure = QStringLiteral("Získávání údajů od serveru se nezdařilo. Jste připojeni "
                                                "k\u00a0internetu? Je zvolená služba dostupná?\r\n");
const QString key = QStringLiteral("5b3ce3597851110001cf6248a1b2c3d4e5f6");
const vector_2d_double two_points{{50.08, 14.42}, {49.19, 16.61}};

// What a router signalled, as received on the GUI thread: "progress TOTAL
// TEXT" (but for the receiving ones, whose number and place are Qt's), "error
// transfer" for the downloader's message with Qt's reason, "error TEXT" and
// "result".
struct Calculation
{
    std::vector<QString> events;
    int receiving = 0;
    vector_2d_double points;
    vector_2d_int matrix;
};

// Lives on the GUI thread, so the router's signals reach it queued.
class Receiver : public QObject
{
public:
    Calculation calculation;

    void progress(float total, float increment, QString text)
    {
        EXPECT_EQ(increment, 0.0f);
        if (total == 20.0f && text == QStringLiteral("Získávání odpovědi…"))
            ++calculation.receiving;
        else
            record(QStringLiteral("progress %1 ").arg(total) + text);
    }
    void error(QString text)
    {
        const bool transfer = text.startsWith(transfer_failure) && text.size() > transfer_failure.size();
        record(transfer ? QStringLiteral("error transfer") : QStringLiteral("error ") + text);
    }
    void result(vector_2d_double points, vector_2d_int matrix)
    {
        record(QStringLiteral("result"));
        calculation.points = points;
        calculation.matrix = matrix;
    }

private:
    void record(const QString &event)
    {
        EXPECT_EQ(QThread::currentThread(), thread());
        calculation.events.push_back(event);
    }
};

// Creates the engine's router on a pool thread and runs it there, as the main
// window does, with the receiver on the GUI thread. The pool is the test's
// own, so that its thread starts and ends with each calculation: Qt's reuse
// of a pool thread is ordered by locks that ThreadSanitizer cannot see.
Calculation calculate(bool ors, const QString &server, bool travelByCar, const vector_2d_double &points)
{
    FOSSGISMapData osrmData(server);
    OpenRouteServiceMapData orsData(server, key);
    osrmData.travelByCar = orsData.travelByCar = travelByCar;
    Receiver receiver;
    {
        QThreadPool pool;
        QFutureWatcher<void> watcher;
        QEventLoop loop;
        QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
        watcher.setFuture(QtConcurrent::run(&pool, [&] {
            EXPECT_NE(QThread::currentThread(), receiver.thread());
            const std::unique_ptr<NetRouter> router =
                ors ? std::unique_ptr<NetRouter>(new OpenRouteServiceRouter(&orsData))
                    : std::make_unique<FOSSGISRouter>(&osrmData);
            QObject::connect(router.get(), &Router::calculationProgress, &receiver, &Receiver::progress);
            QObject::connect(router.get(), &Router::calculationError, &receiver, &Receiver::error);
            QObject::connect(router.get(), &Router::distancesCalculated, &receiver, &Receiver::result);
            router->calculateDistances(points);
        }));
        // The watcher's signal is queued after every signal of the router.
        loop.exec();
    }
    return receiver.calculation;
}

// The events of a run that reached the parsing, with or without a transfer failure first.
std::vector<QString> events_ending_in(const QString &outcome, bool transferFails)
{
    std::vector<QString> events{QStringLiteral("progress 0 Připojování k\u00a0serveru…")};
    if (transferFails)
        events.push_back(QStringLiteral("error transfer"));
    events.push_back(QStringLiteral("progress 50 Načítání odpovědi ve formátu JSON…"));
    events.push_back(QStringLiteral("progress 75 Extrakce vzdáleností z\u00a0formátu JSON…"));
    events.push_back(outcome);
    return events;
}

} // namespace

TEST(WebRouters, SendTheRequestsOfTheirServices)
{
    const char *osrm_pairs = "14.42,50.08;16.61,49.19?annotations=distance";
    const struct {
        bool ors, travelByCar;
        const char *baseSuffix;
        std::string target;
    } cases[] = {
        {false, true, "", std::string("/table/v1/driving/") + osrm_pairs},
        {false, false, "/", std::string("/table/v1/foot/") + osrm_pairs},
        {false, true, "/osrm//", std::string("/osrm/table/v1/driving/") + osrm_pairs},
        {true, true, "", "/v2/matrix/driving-car"},
        {true, false, "/", "/v2/matrix/foot-walking"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.target);
        StandInHttpServer server;
        server.enqueue(200, "{\"distances\":[[0,1],[2,0]]}");
        const Calculation calculation =
            calculate(c.ors, server.baseUrl() + QString::fromLatin1(c.baseSuffix), c.travelByCar, two_points);
        EXPECT_EQ(calculation.matrix, (vector_2d_int{{0, 1}, {2, 0}}));
        EXPECT_EQ(calculation.points, two_points);

        const std::vector<RecordedRequest> requests = server.requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].target.toStdString(), c.target);
        EXPECT_EQ(requests[0].header("User-Agent"), "Distamatic");
        EXPECT_EQ(requests[0].method, c.ors ? "POST" : "GET");
        EXPECT_EQ(requests[0].body,
                  c.ors ? "{\"metrics\":[\"distance\"],\"locations\":[[14.42,50.08],[16.61,49.19]]}" : "");
        EXPECT_EQ(requests[0].header("Authorization"), c.ors ? key.toUtf8() : QByteArray());
        EXPECT_EQ(requests[0].header("Content-Type"), c.ors ? "application/json" : QByteArray());
    }
}

TEST(WebRouters, SendAHundredPointsInOneRequest)
{
    vector_2d_double points;
    std::string osrm_pairs, ors_pairs;
    QByteArray matrix = "{\"distances\":[";
    for (int i = 0; i < 100; ++i) {
        points.push_back({-33.8688197 + i * 0.0123456789, 151.2092955 - i * 0.00098765});
        char pair[64];
        std::snprintf(pair, sizeof pair, "%.9g,%.9g", points.back()[1], points.back()[0]);
        osrm_pairs += (i ? ";" : "") + std::string(pair);
        ors_pairs += (i ? ",[" : "[") + std::string(pair) + "]";
        for (int j = 0; j < 100; ++j)
            matrix += (j ? "," : "[") + QByteArray::number(100 * i + j + 0.5);
        matrix += i < 99 ? "]," : "]]}";
    }
    StandInHttpServer server;
    server.enqueue(200, matrix);
    server.enqueue(200, matrix);
    for (bool ors : {false, true}) {
        const Calculation calculation = calculate(ors, server.baseUrl(), true, points);
        ASSERT_EQ(calculation.matrix.size(), 100u);
        EXPECT_EQ(calculation.matrix[42][7], 4207);
    }
    const std::vector<RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target.toStdString(), "/table/v1/driving/" + osrm_pairs + "?annotations=distance");
    EXPECT_EQ(requests[1].body.toStdString(), "{\"metrics\":[\"distance\"],\"locations\":[" + ors_pairs + "]}");
}

TEST(WebRouters, TurnEveryReplyIntoAMatrixOrOneMessage)
{
    const QString result = QStringLiteral("result");
    const QString format = QStringLiteral("error Obdržené údaje nejsou v\u00a0tom správném formátu.\r\n"
                                          "Jste si jisti, že daná adresa skutečně odkazuje na zvolenou službu?\r\n");
    const QString json = QStringLiteral("error Obdržené údaje nejsou ve formátu JSON.\r\n"
                                        "Jste si jisti, že daná adresa skutečně odkazuje na zvolenou službu?\r\n");
    const QByteArray valid = "{\"distances\":[[0,1500.7],[1498.2,0]]}";
    StandInReply slow{200, valid}, cut_short{200, valid}, no_server;
    slow.pieces = cut_short.pieces = 3;
    slow.delay = cut_short.delay = std::chrono::milliseconds(20);
    cut_short.cutShort = true;
    no_server.status = 0;
    // clang-format off
    const struct {
        const char *name;
        StandInReply reply; // status 0: nothing listens
        QString outcome;
        vector_2d_int matrix;
    } cases[] = {
        {"OSRM reply with extra members", {200, "{\"code\":\"Ok\",\"distances\":[[0,1500.7],[1498.2,0]],"
                                                "\"destinations\":[{\"location\":[14.42,50.08]}],\"sources\":[]}"},
         result, {{0, 1500}, {1498, 0}}},
        {"body in slow pieces", slow, result, {{0, 1500}, {1498, 0}}},
        {"truncated toward zero at both ends of int",
         {200, "{\"distances\":[[-0.5,2147483647.9],[-2147483648.9,1e-300]]}"}, result, {{0, INT_MAX}, {INT_MIN, 0}}},
        {"error object beside distances", {200, "{\"error\":{\"a\":1},\"distances\":[[0,1],[2,0]]}"}, result,
         {{0, 1}, {2, 0}}},
        {"null cell", {200, "{\"distances\":[[0,null],[1498.2,0]]}"}, format, {}},
        {"string cell", {200, "{\"distances\":[[0,\"1500\"],[1498.2,0]]}"}, format, {}},
        {"cell above int", {200, "{\"distances\":[[0,2147483648],[1,0]]}"}, format, {}},
        {"cell far below int", {200, "{\"distances\":[[0,-1e300],[1,0]]}"}, format, {}},
        {"three rows for two points", {200, "{\"distances\":[[0,1],[1,0],[2,2]]}"}, format, {}},
        {"short row", {200, "{\"distances\":[[0,1],[1]]}"}, format, {}},
        {"row not an array", {200, "{\"distances\":[[0,1],7]}"}, format, {}},
        {"distances missing", {200, "{\"code\":\"Ok\"}"}, format, {}},
        {"distances null", {200, "{\"distances\":null}"}, format, {}},
        {"top-level array", {200, "[[0,1],[1,0]]"}, format, {}},
        {"error object without distances", {200, "{\"error\":{\"code\":2003}}"}, format, {}},
        {"OSRM error reply", {400, "{\"message\":\"Number of coordinates needs to be at least two.\","
                                   "\"code\":\"InvalidOptions\"}"}, format, {}},
        {"invalid key", {403, "{\"error\":\"Access to this API has been disallowed\"}"},
         "error Zvolený klíč k API je neplatný – na stránkách si můžete vytvořit nový.", {}},
        {"other service error", {400, "{\"error\":\"Request parameters exceed the server limits\"}"},
         "error Zvolená služba odpověděla na váš požadavek chybou:\r\nRequest parameters exceed the server limits", {}},
        {"not JSON", {200, "Hello", "text/plain"}, json, {}},
        {"empty body", {200, ""}, json, {}},
        {"HTML 500 page", {500, "<html><body><h1>500 Internal Server Error</h1></body></html>", "text/html"}, json, {}},
        {"body cut short", cut_short, json, {}},
        {"connection refused", no_server, json, {}},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        StandInHttpServer server;
        ClosedPort closed;
        server.enqueue(c.reply);
        const Calculation calculation =
            calculate(false, c.reply.status ? server.baseUrl() : closed.baseUrl(), true, two_points);
        const bool transferFails = c.reply.status != 200 || c.reply.cutShort;
        EXPECT_EQ(calculation.events, events_ending_in(c.outcome, transferFails));
        EXPECT_EQ(calculation.matrix, c.matrix);
        EXPECT_TRUE(c.reply.body.isEmpty() || calculation.receiving > 0);
    }
}
