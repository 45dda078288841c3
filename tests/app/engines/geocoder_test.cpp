#include "app/addressselectionwindow.h"
#include "app/engines/openrouteservice.h"
#include "tests/support/qt_printing.h"
#include "tests/support/stand_in_http_server.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

AddressSelectionWindow *open_choice()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *window = qobject_cast<AddressSelectionWindow *>(widget);
        if (window && window->isVisible())
            return window;
    }
    return nullptr;
}

// One lookup on the GUI thread; its outcome as lines: "found LAT LON NAME",
// "error TEXT" (the downloader's message as "error transfer"), "cancelled",
// or "choice NAME | NAME …" when the choice dialog opened.
struct Lookup
{
    OpenRouteServiceMapData mapData;
    OpenRouteServiceAddresser addresser{&mapData};
    std::vector<QString> events;

    explicit Lookup(const QString &server, const QString &key = QStringLiteral("5b3ce3597851110001cf6248"))
        : mapData(server, key)
    {
        QObject::connect(&addresser, &Addresser::locationFound, [this](const std::vector<double> &point, QString name) {
            events.push_back(QStringLiteral("found %1 %2 ").arg(point.at(0)).arg(point.at(1)) + name);
        });
        QObject::connect(&addresser, &Addresser::locationError, [this](const QString &message) {
            const bool transfer = message.startsWith(QStringLiteral("Získávání údajů od serveru se nezdařilo."));
            events.push_back(transfer ? QStringLiteral("error transfer") : QStringLiteral("error ") + message);
        });
        QObject::connect(&addresser, &Addresser::locationCancelled, [this] { events.push_back("cancelled"); });
    }

    std::vector<QString> locate(const QString &address)
    {
        addresser.locateAddress(address);
        if (AddressSelectionWindow *choice = open_choice()) {
            QStringList rows;
            for (const QListWidgetItem *item : choice->findChild<QListWidget *>()->findItems("*", Qt::MatchWildcard))
                rows.append(item->text());
            events.push_back(QStringLiteral("choice ") + rows.join(QStringLiteral(" | ")));
        }
        return events;
    }
};

QByteArray feature(const char *coordinates, const char *properties)
{
    return QByteArray("{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":") + coordinates +
           "},\"properties\":" + properties + "}";
}

QByteArray collection(const QList<QByteArray> &features)
{
    return "{\"type\":\"FeatureCollection\",\"features\":[" + features.join(',') + "]}";
}

const QByteArray prague = feature("[14.42,50.08]", "{\"label\":\"Praha, Česko\",\"name\":\"Praha\"}");
const QByteArray brno = feature("[16.61,49.19]", "{\"label\":\"Brno, Česko\"}");

} // namespace

TEST(Geocoder, EncodesTheAddressAndTheKeyAsText)
{
    const struct {
        const char *address, *key, *baseSuffix, *query;
    } cases[] = {
        {"Smetanova & Dvořákova", "abc", "", "api_key=abc&text=Smetanova%20%26%20Dvo%C5%99%C3%A1kova"},
        {"Náměstí Míru 1, Praha", "abc", "/", "api_key=abc&text=N%C3%A1m%C4%9Bst%C3%AD%20M%C3%ADru%201%2C%20Praha"},
        {"a#b+c=d%e?f/g", "k&y=1#", "", "api_key=k%26y%3D1%23&text=a%23b%2Bc%3Dd%25e%3Ff%2Fg"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.address);
        StandInHttpServer server;
        server.enqueue(200, collection({prague}));
        Lookup lookup(server.baseUrl() + QString::fromLatin1(c.baseSuffix), QString::fromUtf8(c.key));
        lookup.locate(QString::fromUtf8(c.address));

        const std::vector<RecordedRequest> requests = server.requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].method, "GET");
        EXPECT_EQ(requests[0].target, "/geocode/search?" + QByteArray(c.query));
        EXPECT_EQ(requests[0].header("Content-Type"), "application/json");
        EXPECT_EQ(requests[0].header("User-Agent"), "Distamatic");
        EXPECT_TRUE(requests[0].header("Authorization").isNull());
    }
}

TEST(Geocoder, TurnsEveryReplyIntoOneOutcome)
{
    const QString error = QStringLiteral("error "), transfer = QStringLiteral("error transfer");
    const QString not_json = QStringLiteral("error Obdržené údaje nejsou ve formátu JSON.\r\nJste si jisti, že daná "
                                            "adresa skutečně odkazuje na službu OpenRouteService?\r\n");
    const QString format = QStringLiteral("error Obdržené údaje nejsou v\u00a0tom správném formátu.\r\nJste si "
                                          "jisti, že daná adresa skutečně odkazuje na službu OpenRouteService?\r\n");
    const QList<QByteArray> without_two_numbers{
        feature("[14.42]", "{\"label\":\"short\"}"), feature("[\"14\",\"50\"]", "{\"label\":\"text\"}"),
        feature("null", "{\"label\":\"null\"}"), "{\"properties\":{\"label\":\"no geometry\"}}", "3"};
    StandInReply no_server;
    no_server.status = 0;
    // clang-format off
    const struct {
        const char *name;
        StandInReply reply; // status 0: nothing listens
        std::vector<QString> events;
    } cases[] = {
        {"one place with a label", {200, collection({prague})}, {"found 50.08 14.42 Praha, Česko"}},
        {"a name but no label", {200, collection({feature("[14.42,50.08]", "{\"label\":7,\"name\":\"Praha\"}")})},
         {"found 50.08 14.42 Praha"}},
        {"neither label nor name", {200, collection({feature("[14.42,50.08,235.5]", "{}")})},
         {"found 50.08 14.42 - Bez názvu -"}},
        {"places without two numeric coordinates are skipped", {200, collection(without_two_numbers + QList{brno})},
         {"found 49.19 16.61 Brno, Česko"}},
        {"no place with two numeric coordinates", {200, collection(without_two_numbers)}, {format}},
        {"two places", {200, collection({prague, brno})}, {"choice Praha, Česko | Brno, Česko"}},
        {"two places of one name", {200, collection({brno, brno})}, {"choice Brno, Česko | Brno, Česko"}},
        {"nothing found", {200, collection({})}, {error + "Pro danou adresu nebyla nalezena žádná lokace."}},
        {"features missing", {200, "{\"type\":\"FeatureCollection\"}"}, {format}},
        {"invalid key", {403, "{\"error\":\"Access to this API has been disallowed\"}"},
         {transfer, error + "Zvolený klíč k API je neplatný – na stránkách si můžete vytvořit nový."}},
        {"not JSON", {200, "Praha"}, {not_json}},
        {"connection refused", no_server, {transfer, not_json}},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        StandInHttpServer server;
        ClosedPort closed;
        server.enqueue(c.reply);
        EXPECT_EQ(Lookup(c.reply.status ? server.baseUrl() : closed.baseUrl()).locate("Praha"), c.events);
        // The dialog that went with the geocoder.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST(Geocoder, ReportsTheChoiceOrTheCancellingOfTheDialogThatGoesWhenDone)
{
    StandInHttpServer server;
    for (int i = 0; i < 3; ++i)
        server.enqueue(200, collection({prague, brno}));
    const auto choose_in = [](AddressSelectionWindow *choice) {
        choice->findChild<QListWidget *>()->setCurrentRow(1);
        choice->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    };
    const struct {
        void (*act)(AddressSelectionWindow *); // none: the geocoder goes while the dialog is open
        QString outcome;
    } cases[] = {{choose_in, "found 49.19 16.61 Brno, Česko"}, {[](auto *c) { c->reject(); }, "cancelled"}, {}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.outcome.toStdString());
        QPointer<AddressSelectionWindow> choice;
        {
            Lookup lookup(server.baseUrl());
            lookup.locate(QStringLiteral("Náměstí"));
            choice = open_choice();
            ASSERT_TRUE(choice);
            EXPECT_FALSE(choice->isModal());
            if (c.act)
                c.act(choice);
            EXPECT_EQ(lookup.events.back(), c.act ? c.outcome : QStringLiteral("choice Praha, Česko | Brno, Česko"));
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_EQ(choice.isNull(), c.act != nullptr);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(choice);
    }
}

TEST(Geocoder, KeepsTheGuiThreadResponsiveWhileWaiting)
{
    StandInHttpServer server;
    StandInReply slow{200, collection({prague})};
    slow.delay = std::chrono::milliseconds(150);
    slow.pieces = 2;
    server.enqueue(slow);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(10);

    EXPECT_EQ(Lookup(server.baseUrl()).locate("Praha"), std::vector<QString>{"found 50.08 14.42 Praha, Česko"});
    EXPECT_GE(ticks, 5);
}
