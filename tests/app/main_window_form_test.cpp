#include "app/aboutwindow.h"
#include "tests/app/main_window_fixture.h"

#include <QDialogButtonBox>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryFile>
#include <QTimer>

namespace {

using FormTest = MainWindowTest;

TEST_F(FormTest, HoldsEveryObjectUnderItsNameAndStartsInItsInitialState)
{
    const std::pair<const char *, const char *> classes[] = {
        {"QWidget", "centralwidget offline osmrNet openRouteService tableTab csvTab"},
        {"QVBoxLayout", "verticalLayout verticalLayout_2 verticalLayout_3 verticalLayout_4 verticalLayout_5 "
                        "verticalLayout_6 verticalLayout_7 verticalLayout_8 verticalLayout_11"},
        {"QHBoxLayout", "horizontalLayout horizontalLayout_2 horizontalLayout_3 horizontalLayout_4 horizontalLayout_5 "
                        "horizontalLayout_6 horizontalLayout_7 horizontalLayout_9"},
        {"QFormLayout", "formLayout formLayout_2 formLayout_3 formLayout_5"},
        {"QGroupBox", "addressBox enginesBox distanceBox"},
        {"QLabel", "offlineNoteLabel1 offlineMapfileLabel osmrNoteLabel1 osmrServerLabel osrNoteLabel "
                   "orsServerInputLabel orsApiKeyLabel orsUseDefaultApiLabel orsTranslateToCoordsLabel"},
        {"QLineEdit", "addressInput offlineMapfileInput osmrServerInput orsServerInput orsApiKeyInput"},
        {"QPushButton", "addressDelButton addressAddButton offlineMapfileExploreButton copyCsvButton calculateButton"},
        {"QCheckBox", "orsUseDefaultApiInput orsTranslateToCoordsInput"},
        {"QAction", "actionAbout actionQuit actionCopyCSV actionCoordsInCSV actionClearLocations actionShowNames"},
        {"QListWidget", "coordinateList addressList"}, {"QTabWidget", "enginesTabWidget distanceTabWidget"},
        {"QMenu", "menuFile menuRedakti menuVido"}, {"QFrame", "addressInputFrame"}, {"QMenuBar", "menubar"},
        {"QStatusBar", "statusbar"}, {"QTableWidget", "distanceTable"}, {"QTextBrowser", "distanceText"},
        {"QProgressBar", "progressBar"}, {"QComboBox", "travelTypeCombo"},
    };
    EXPECT_EQ(window->objectName(), "MainWindow");
    for (const auto &[className, names] : classes) {
        for (const QString &name : QString::fromLatin1(names).split(' ')) {
            const QObject *object = window->findChild<QObject *>(name);
            EXPECT_TRUE(object && object->inherits(className)) << name.toStdString() << " is no " << className;
        }
    }

    // The texts that carry ellipses, the menus, the state after start, and the
    // fields that the two check boxes lock or change.
    const std::pair<QString, QString> texts[] = {
        {line("addressInput")->placeholderText(), "Zadejte adresu či souřadnice\u2026"},
        {line("offlineMapfileInput")->placeholderText(), "Zvolte lokální soubor mapy ve formě PBF\u2026"},
        {line("orsApiKeyInput")->placeholderText(), "Bude použit výchozí klíč."},
        {button("offlineMapfileExploreButton")->text(), "Procházet\u2026"},
        {line("osmrServerInput")->text() + " " + line("osmrServerInput")->placeholderText(),
         "https://router.project-osrm.org/ https://router.project-osrm.org/"},
        {line("orsServerInput")->text() + " " + line("orsServerInput")->placeholderText(),
         "https://api.openrouteservice.org/ https://api.openrouteservice.org/"},
        {line("offlineMapfileInput")->text() + line("orsApiKeyInput")->text() +
             find<QProgressBar>("progressBar")->format(), ""},
    };
    for (const auto &[shown, expected] : texts)
        EXPECT_EQ(shown, expected);
    QStringList menus;
    for (QAction *menu : find<QMenuBar>("menubar")->actions()) {
        menus << menu->text() + ":";
        for (QAction *item : menu->menu()->actions())
            menus << item->text() + item->shortcut().toString();
    }
    EXPECT_EQ(menus, QStringList({"Soubor:", "O programu\u2026", "", "Ukončit", "Úpravy:", "Zkopírovat CSV",
                                  "Odstranit všechny lokace", "Pohled:", "Nazývat lokace jmény (pokud možno)",
                                  "Zahrnout lokace do výstupu CSV"}));
    EXPECT_TRUE(action("actionShowNames")->isCheckable() && action("actionShowNames")->isChecked());
    EXPECT_TRUE(action("actionCoordsInCSV")->isCheckable() && !action("actionCoordsInCSV")->isChecked());
    EXPECT_EQ(find<QTabWidget>("enginesTabWidget")->currentWidget()->objectName(), "offline");
    EXPECT_EQ(find<QTabWidget>("distanceTabWidget")->currentIndex(), 0);
    for (const char *name : {"addressAddButton", "addressDelButton", "copyCsvButton", "calculateButton"})
        EXPECT_FALSE(button(name)->isEnabled()) << name;
    EXPECT_EQ(find<QProgressBar>("progressBar")->value(), 0);
    EXPECT_TRUE(find<QComboBox>("travelTypeCombo")->isEnabled());
    EXPECT_EQ(find<QTableWidget>("distanceTable")->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(window->windowIcon().isNull());

    QCheckBox *defaultKey = find<QCheckBox>("orsUseDefaultApiInput");
    for (const bool checked : {true, false, true}) {
        defaultKey->setChecked(checked);
        EXPECT_EQ(line("orsApiKeyInput")->isEnabled(), !checked);
    }
    EXPECT_EQ(line("orsApiKeyInput")->placeholderText(), "Bude použit výchozí, přednastavený klíč.");
    defaultKey->setChecked(false);
    EXPECT_EQ(line("orsApiKeyInput")->placeholderText(), "Vložte váš klíč API\u2026");

    // Without the geocoder only coordinates can be added; an address stays in the field.
    QCheckBox *geocoder = find<QCheckBox>("orsTranslateToCoordsInput");
    for (const bool geocoding : {true, false}) {
        EXPECT_EQ(geocoder->isChecked(), geocoding);
        for (const QString text : {"Praha", "50.1, 14.4", ""}) {
            line("addressInput")->setText(text);
            EXPECT_EQ(button("addressAddButton")->isEnabled(), text == "Praha" ? geocoding : !text.isEmpty());
        }
        geocoder->setChecked(false);
    }
    EXPECT_EQ(line("addressInput")->placeholderText(), "Zadejte souřadnice\u2026");
    enter("Praha");
    EXPECT_EQ(line("addressInput")->text(), "Praha");
    EXPECT_EQ(find<QListWidget>("coordinateList")->count(), 0);
}

// The calculate button for an engine and its settings, with or without locations.
TEST_F(FormTest, EnablesCalculationOnlyForUsableSettings)
{
    QTemporaryFile mapFile;
    ASSERT_TRUE(mapFile.open());
    const struct {
        QString engine, server;
        bool defaultKey;
        QString key;
        bool enabled;
    } cases[] = {
        {"osmrNet", "https://router.example/", true, "", true}, {"osmrNet", "http://router.example", true, "", true},
        {"osmrNet", "ftp://router.example/", true, "", false}, {"osmrNet", "router.example", true, "", false},
        {"openRouteService", "https://ors.example/", true, "", true},
        {"openRouteService", "https://ors.example/", false, "", false},
        {"openRouteService", "HTTPS://ors.example/", false, "abc", true},
        {"openRouteService", "file:///tmp", true, "", false}, {"offline", mapFile.fileName(), true, "", true},
        {"offline", mapFile.fileName() + ".missing", true, "", false}, {"offline", "", true, "", false},
    };
    const QMap<QString, const char *> fields = {
        {"offline", "offlineMapfileInput"}, {"osmrNet", "osmrServerInput"}, {"openRouteService", "orsServerInput"}};
    for (const bool withLocation : {false, true}) {
        if (withLocation)
            enter("50.08, 14.42");
        for (const auto &c : cases) {
            line(fields[c.engine])->setText(c.server);
            find<QCheckBox>("orsUseDefaultApiInput")->setChecked(c.defaultKey);
            line("orsApiKeyInput")->setText(c.key);
            // Switching to the engine's tab evaluates the form afresh.
            selectEngine(c.engine == "osmrNet" ? "offline" : "osmrNet");
            selectEngine(c.engine);
            EXPECT_EQ(button("calculateButton")->isEnabled(), c.enabled && withLocation)
                << c.engine.toStdString() << " " << c.server.toStdString() << " key " << c.key.toStdString();
        }
    }
}

// The rights holder and the libraries' licences are named in Czech and in full.
TEST_F(FormTest, AboutOpensANewWindowModalDialogOnItsFirstTabEachTime)
{
    for (int opened = 1; opened <= 2; ++opened) {
        action("actionAbout")->trigger();
        const QList<AboutWindow *> dialogs = window->findChildren<AboutWindow *>();
        ASSERT_EQ(dialogs.size(), opened);
        AboutWindow *about = dialogs.last();
        QTabWidget *tabs = about->findChild<QTabWidget *>("tabWidget");
        const auto text = [&](int tab) { return tabs->widget(tab)->findChild<QTextBrowser *>()->toPlainText(); };
        EXPECT_TRUE(about->isVisible() && about->windowModality() == Qt::WindowModal);
        ASSERT_EQ(tabs->count(), 4);
        EXPECT_EQ(about->windowTitle() + tabs->tabText(0) + tabs->tabText(1) + tabs->tabText(2) + tabs->tabText(3),
                  "O DistamaticProgramKnihovnySlužbyMapy");
        EXPECT_EQ(tabs->currentIndex(), 0);
        EXPECT_TRUE(text(0).contains("vývojáři programu Distamatic"));
        EXPECT_TRUE(text(1).contains("GNU LESSER GENERAL PUBLIC LICENSE") && text(1).contains("version 1.2.13"));
        QPushButton *close = about->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Close);
        EXPECT_EQ(close->text(), "Zavřít");
        tabs->setCurrentIndex(2);
        QTest::mouseClick(close, Qt::LeftButton);
        EXPECT_FALSE(about->isVisible());
    }
}

// "Ukončit" and closing the window end the program even while an error dialog is open.
TEST_F(FormTest, ClosingTheWindowEndsTheProgramWithErrorDialogsOpen)
{
    selectEngine("osmrNet");
    enter("50.08, 14.42");
    for (const bool quit : {true, false}) {
        line("addressInput")->setText(QString::number(quit)); // re-enables the calculate button after an error
        window->show();
        button("calculateButton")->click(); // one location: an error dialog
        QTimer::singleShot(0, [&] { quit ? action("actionQuit")->trigger() : void(window->close()); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(-1); });
        EXPECT_EQ(QCoreApplication::exec(), 0);
        EXPECT_FALSE(window->isVisible());
        EXPECT_TRUE(takeErrorMessages().isEmpty());
    }
}

} // namespace
