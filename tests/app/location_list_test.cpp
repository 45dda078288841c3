#include "tests/app/main_window_fixture.h"
#include "tests/support/stand_in_http_server.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QTest>

namespace {

using LocationListTest = MainWindowTest;

TEST_F(LocationListTest, ListsTypedCoordinatesInOneFormAndDropsDuplicates)
{
    struct Case
    {
        QString typed;
        QString listed; // empty: nothing new is listed
    };
    const std::vector<Case> cases = {
        {"50.0755381, 14.4378005", "(50.0755381,14.4378005)"},
        {"(50,0755381; 14,4378005)", ""},
        {"50.07553812345, 14.4", "(50.0755381,14.4)"},
        {"  -33.5   ,  -70.25 ", "(-33.5,-70.25)"},
        {"(49,1950602;16,6068371)", "(49.1950602,16.6068371)"},
        {"0.00001, -0.00001", "(1e-05,-1e-05)"},
        {"0.00001,-0.00001", ""},
        {"-0.00001, 0.00001", "(-1e-05,1e-05)"},
    };
    QStringList expected;
    for (const Case &c : cases) {
        enter(c.typed);
        if (!c.listed.isEmpty())
            expected << c.listed;
        EXPECT_EQ(listTexts("coordinateList"), expected) << c.typed.toStdString();
        EXPECT_TRUE(line("addressInput")->text().isEmpty()) << c.typed.toStdString();
    }
    EXPECT_EQ(listTexts("addressList"), QStringList(QVector<QString>(expected.size())));
}

TEST_F(LocationListTest, AddButtonFollowsTheTextAndTheGeocoderBox)
{
    QCheckBox *geocoder = find<QCheckBox>("orsTranslateToCoordsInput");
    struct Case
    {
        bool geocoding;
        QString text;
        bool enabled;
    };
    const std::vector<Case> cases = {
        {true, "Praha", true}, {true, "", false}, {true, "50.1, 14.4", true},
        {false, "Praha", false}, {false, "50.1, 14.4", true}, {false, "", false},
    };
    for (const Case &c : cases) {
        geocoder->setChecked(c.geocoding);
        line("addressInput")->setText(c.text);
        EXPECT_EQ(button("addressAddButton")->isEnabled(), c.enabled) << c.geocoding << c.text.toStdString();
    }
    EXPECT_EQ(line("addressInput")->placeholderText(), QStringLiteral("Zadejte souřadnice\u2026"));
    geocoder->setChecked(true);
    EXPECT_EQ(line("addressInput")->placeholderText(), QStringLiteral("Zadejte adresu či souřadnice\u2026"));

    // Without the geocoder an address stays in the field and Enter does nothing.
    geocoder->setChecked(false);
    enter(QStringLiteral("Praha"));
    EXPECT_EQ(line("addressInput")->text(), QStringLiteral("Praha"));
    EXPECT_EQ(list("coordinateList")->count(), 0);
}

TEST_F(LocationListTest, SelectsRemovesAndClearsRowsInBothLists)
{
    for (const char *typed : {"1, 1", "2, 2", "3, 3", "4, 4"})
        enter(QLatin1String(typed));
    EXPECT_FALSE(button("addressDelButton")->isEnabled());

    list("addressList")->setCurrentRow(2);
    EXPECT_EQ(list("coordinateList")->currentRow(), 2);
    EXPECT_TRUE(button("addressDelButton")->isEnabled());
    list("coordinateList")->setCurrentRow(1);
    EXPECT_EQ(list("addressList")->currentRow(), 1);

    QTest::mouseClick(button("addressDelButton"), Qt::LeftButton);
    EXPECT_EQ(listTexts("coordinateList"), QStringList({"(1,1)", "(3,3)", "(4,4)"}));
    EXPECT_EQ(list("addressList")->count(), 3);
    EXPECT_EQ(list("addressList")->currentRow(), list("coordinateList")->currentRow());

    // Clearing leaves the calculate button as it was.
    selectEngine("osmrNet");
    ASSERT_TRUE(button("calculateButton")->isEnabled());
    action("actionClearLocations")->trigger();
    EXPECT_EQ(list("coordinateList")->count(), 0);
    EXPECT_EQ(list("addressList")->count(), 0);
    EXPECT_TRUE(button("calculateButton")->isEnabled());
}

// Address lookups through a stand-in geocoding service.
class AddressLookupTest : public MainWindowTest
{
protected:
    AddressLookupTest()
    {
        line("orsServerInput")->setText(server.baseUrl());
        find<QCheckBox>("orsUseDefaultApiInput")->setChecked(false);
        line("orsApiKeyInput")->setText(QStringLiteral("key"));
    }

    static QByteArray feature(double lon, double lat, const char *label)
    {
        return QStringLiteral(R"({"geometry":{"coordinates":[%1,%2]},"properties":{"label":"%3"}})")
            .arg(lon)
            .arg(lat)
            .arg(QString::fromUtf8(label))
            .toUtf8();
    }

    // The address choice dialog on show, or null.
    static QDialog *choiceDialog()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("AddressDialog") && widget->isVisible())
                return qobject_cast<QDialog *>(widget);
        }
        return nullptr;
    }

    void expectEntryUsable(const QString &text)
    {
        EXPECT_TRUE(line("addressInput")->isEnabled());
        EXPECT_TRUE(button("addressAddButton")->isEnabled());
        EXPECT_EQ(line("addressInput")->text(), text);
    }

    StandInHttpServer server;
};

TEST_F(AddressLookupTest, ListsTheOnlyPlaceFound)
{
    enter(QStringLiteral("51.5, -0.1"));
    server.enqueue(200, "{\"features\":[" + feature(14.42, 50.08, "Praha, Česko") + "]}");
    enter(QStringLiteral("Praha"));

    EXPECT_EQ(listTexts("coordinateList"), QStringList({"(51.5,-0.1)", "(50.08,14.42)"}));
    EXPECT_EQ(listTexts("addressList"), QStringList({"", "Praha, Česko"}));
    EXPECT_TRUE(line("addressInput")->text().isEmpty());
    EXPECT_TRUE(line("addressInput")->isEnabled());
    EXPECT_FALSE(button("addressAddButton")->isEnabled());
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].target, QByteArray("/geocode/search?api_key=key&text=Praha"));
    EXPECT_TRUE(takeErrorMessages().isEmpty());
}

TEST_F(AddressLookupTest, LetsTheUserChooseAmongSeveralPlaces)
{
    server.enqueue(200, "{\"features\":[" + feature(14.42, 50.08, "Praha") + "," + feature(16.61, 49.19, "Brno") +
                            "]}");
    enter(QStringLiteral("Město"));
    EXPECT_FALSE(line("addressInput")->isEnabled());

    QDialog *choice = choiceDialog();
    ASSERT_NE(choice, nullptr);
    auto *places = choice->findChild<QListWidget *>("locationList");
    ASSERT_EQ(places->count(), 2);
    places->setCurrentRow(1);
    QTest::mouseClick(choice->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok), Qt::LeftButton);

    EXPECT_EQ(listTexts("coordinateList"), QStringList({"(49.19,16.61)"}));
    EXPECT_EQ(listTexts("addressList"), QStringList({"Brno"}));
    EXPECT_TRUE(line("addressInput")->isEnabled());

    // Cancelling a second choice gives the entry back with the text kept.
    server.enqueue(200, "{\"features\":[" + feature(14.42, 50.08, "Praha") + "," + feature(16.61, 49.19, "Brno") +
                            "]}");
    enter(QStringLiteral("Město"));
    choice = choiceDialog();
    ASSERT_NE(choice, nullptr);
    choice->reject();
    expectEntryUsable(QStringLiteral("Město"));
    EXPECT_EQ(list("coordinateList")->count(), 1);
}

TEST_F(AddressLookupTest, ReportsFailuresAndGivesTheEntryBack)
{
    struct Case
    {
        int status;
        QByteArray body;
        QString message;
    };
    const std::vector<Case> cases = {
        {200, R"({"features":[]})", "Pro danou adresu nebyla nalezena žádná lokace."},
        {403, R"({"error":"Access to this API has been disallowed"})",
         "Zvolený klíč k API je neplatný – na stránkách si můžete vytvořit nový."},
    };
    for (const Case &c : cases) {
        server.enqueue(c.status, c.body);
        enter(QStringLiteral("Nikde"));
        const QStringList messages = takeErrorMessages();
        EXPECT_TRUE(messages.contains(c.message)) << messages.join(" | ").toStdString();
        expectEntryUsable(QStringLiteral("Nikde"));
    }
    EXPECT_EQ(list("coordinateList")->count(), 0);
}

// With no key there is no geocoder: the lookup ends in a message, not a crash.
TEST_F(AddressLookupTest, ExplainsThatTheGeocoderNeedsAServerAndAKey)
{
    line("orsApiKeyInput")->clear();
    enter(QStringLiteral("Praha"));
    line("orsApiKeyInput")->setText(QStringLiteral("key"));
    line("orsServerInput")->clear();
    enter(QStringLiteral("Brno"));

    const QString message = QStringLiteral(
        "Adresu nelze převést na souřadnice: zadejte prosím adresu služby OpenRouteService a klíč API.");
    EXPECT_EQ(takeErrorMessages(), QStringList({message, message}));
    expectEntryUsable(QStringLiteral("Brno"));
    EXPECT_TRUE(server.requests().empty());
}

} // namespace
