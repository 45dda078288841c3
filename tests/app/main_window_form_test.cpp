#include "app/aboutwindow.h"
#include "app/button_icons.h"
#include "tests/app/main_window_fixture.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QResource>
#include <QStatusBar>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

using FormTest = MainWindowTest;

TEST_F(FormTest, HoldsEveryObjectOfTheFormUnderItsName)
{
    const std::vector<std::pair<const char *, const char *>> objects = {
        {"centralwidget", "QWidget"}, {"verticalLayout_3", "QVBoxLayout"},
        {"addressBox", "QGroupBox"}, {"verticalLayout_4", "QVBoxLayout"}, {"horizontalLayout_7", "QHBoxLayout"},
        {"coordinateList", "QListWidget"}, {"addressList", "QListWidget"}, {"addressInputFrame", "QFrame"},
        {"horizontalLayout", "QHBoxLayout"}, {"addressInput", "QLineEdit"}, {"addressDelButton", "QPushButton"},
        {"addressAddButton", "QPushButton"}, {"enginesBox", "QGroupBox"}, {"verticalLayout_5", "QVBoxLayout"},
        {"enginesTabWidget", "QTabWidget"}, {"offline", "QWidget"}, {"verticalLayout_2", "QVBoxLayout"},
        {"horizontalLayout_6", "QHBoxLayout"}, {"offlineNoteLabel1", "QLabel"}, {"horizontalLayout_2", "QHBoxLayout"},
        {"offlineMapfileLabel", "QLabel"}, {"offlineMapfileInput", "QLineEdit"},
        {"offlineMapfileExploreButton", "QPushButton"}, {"osmrNet", "QWidget"}, {"verticalLayout_7", "QVBoxLayout"},
        {"horizontalLayout_4", "QHBoxLayout"}, {"osmrNoteLabel1", "QLabel"}, {"formLayout", "QFormLayout"},
        {"osmrServerLabel", "QLabel"}, {"osmrServerInput", "QLineEdit"}, {"openRouteService", "QWidget"},
        {"verticalLayout_11", "QVBoxLayout"}, {"horizontalLayout_3", "QHBoxLayout"}, {"osrNoteLabel", "QLabel"},
        {"formLayout_3", "QFormLayout"}, {"orsServerInputLabel", "QLabel"}, {"orsServerInput", "QLineEdit"},
        {"orsApiKeyLabel", "QLabel"}, {"orsApiKeyInput", "QLineEdit"}, {"formLayout_5", "QFormLayout"},
        {"orsUseDefaultApiLabel", "QLabel"}, {"orsUseDefaultApiInput", "QCheckBox"}, {"formLayout_2", "QFormLayout"},
        {"orsTranslateToCoordsLabel", "QLabel"}, {"orsTranslateToCoordsInput", "QCheckBox"},
        {"distanceBox", "QGroupBox"}, {"verticalLayout_6", "QVBoxLayout"}, {"distanceTabWidget", "QTabWidget"},
        {"tableTab", "QWidget"}, {"verticalLayout", "QVBoxLayout"}, {"horizontalLayout_5", "QHBoxLayout"},
        {"distanceTable", "QTableWidget"}, {"csvTab", "QWidget"}, {"verticalLayout_8", "QVBoxLayout"},
        {"distanceText", "QTextBrowser"}, {"horizontalLayout_9", "QHBoxLayout"}, {"progressBar", "QProgressBar"},
        {"copyCsvButton", "QPushButton"}, {"travelTypeCombo", "QComboBox"}, {"calculateButton", "QPushButton"},
        {"menubar", "QMenuBar"}, {"menuFile", "QMenu"}, {"menuRedakti", "QMenu"}, {"menuVido", "QMenu"},
        {"statusbar", "QStatusBar"}, {"actionAbout", "QAction"}, {"actionQuit", "QAction"},
        {"actionCopyCSV", "QAction"}, {"actionCoordsInCSV", "QAction"}, {"actionClearLocations", "QAction"},
        {"actionShowNames", "QAction"},
    };
    EXPECT_EQ(window->objectName(), QStringLiteral("MainWindow"));
    for (const auto &[name, className] : objects) {
        const QObject *object = find<QObject>(name);
        ASSERT_NE(object, nullptr);
        EXPECT_TRUE(object->inherits(className)) << name << " is a " << object->metaObject()->className();
    }

    const QTabWidget *engines = find<QTabWidget>("enginesTabWidget");
    const QStringList pages = {"offline", "osmrNet", "openRouteService"};
    ASSERT_EQ(engines->count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(engines->widget(i)->objectName(), pages[i]);
}

// The texts that carry ellipses, the menus, and the state after start.
TEST_F(FormTest, StartsWithItsMenusPlaceholdersAndInitialState)
{
    const std::vector<std::pair<QString, QString>> texts = {
        {action("actionAbout")->text(), "O programu\u2026"},
        {line("addressInput")->placeholderText(), "Zadejte adresu či souřadnice\u2026"},
        {line("offlineMapfileInput")->placeholderText(), "Zvolte lokální soubor mapy ve formě PBF\u2026"},
        {line("orsApiKeyInput")->placeholderText(), "Bude použit výchozí klíč."},
        {button("offlineMapfileExploreButton")->text(), "Procházet\u2026"},
        {line("osmrServerInput")->text(), "https://router.project-osrm.org/"},
        {line("osmrServerInput")->placeholderText(), "https://router.project-osrm.org/"},
        {line("orsServerInput")->text(), "https://api.openrouteservice.org/"},
        {line("orsServerInput")->placeholderText(), "https://api.openrouteservice.org/"},
        {line("offlineMapfileInput")->text() + line("orsApiKeyInput")->text(), ""},
        {find<QProgressBar>("progressBar")->format(), ""},
    };
    for (const auto &[shown, expected] : texts)
        EXPECT_EQ(shown, expected);

    const QList<QAction *> menus = find<QMenuBar>("menubar")->actions();
    const std::vector<QStringList> menuItems = {{"Soubor", "O programu\u2026", "", "Ukončit"},
                                                {"Úpravy", "Zkopírovat CSV", "Odstranit všechny lokace"},
                                                {"Pohled", "Nazývat lokace jmény (pokud možno)",
                                                 "Zahrnout lokace do výstupu CSV"}};
    ASSERT_EQ(menus.size(), 3);
    for (size_t m = 0; m < 3; ++m) {
        QStringList items = {menus[int(m)]->text()};
        for (QAction *item : menus[int(m)]->menu()->actions()) {
            items << item->text();
            EXPECT_TRUE(item->shortcut().isEmpty());
        }
        EXPECT_EQ(items, menuItems[m]);
    }
    EXPECT_TRUE(action("actionShowNames")->isCheckable() && action("actionShowNames")->isChecked());
    EXPECT_TRUE(action("actionCoordsInCSV")->isCheckable() && !action("actionCoordsInCSV")->isChecked());

    EXPECT_EQ(find<QTabWidget>("enginesTabWidget")->currentIndex(), 0);
    EXPECT_EQ(find<QTabWidget>("distanceTabWidget")->currentIndex(), 0);
    EXPECT_FALSE(line("orsApiKeyInput")->isEnabled());
    EXPECT_TRUE(find<QCheckBox>("orsUseDefaultApiInput")->isChecked());
    EXPECT_TRUE(find<QCheckBox>("orsTranslateToCoordsInput")->isChecked());
    for (const char *name : {"addressAddButton", "addressDelButton", "copyCsvButton", "calculateButton"})
        EXPECT_FALSE(button(name)->isEnabled()) << name;
    EXPECT_EQ(find<QProgressBar>("progressBar")->value(), 0);
    EXPECT_TRUE(find<QComboBox>("travelTypeCombo")->isEnabled());
    EXPECT_EQ(find<QTableWidget>("distanceTable")->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(window->windowIcon().isNull());
}

TEST(IconResource, IsOneZlibCompressed128PixelIconWith8BitsPerPixel)
{
    const QResource resource(QStringLiteral(":/icons/distamatic.ico"));
    ASSERT_TRUE(resource.isValid());
    EXPECT_EQ(resource.compressionAlgorithm(), QResource::ZlibCompression);

    // The icon directory: one image of 128 x 128 with 8 bits per pixel.
    const QByteArray bytes = resource.uncompressedData();
    ASSERT_GE(bytes.size(), 22);
    const auto u16 = [&](int offset) { return quint8(bytes[offset]) | quint8(bytes[offset + 1]) << 8; };
    EXPECT_EQ(u16(2), 1);
    EXPECT_EQ(u16(4), 1);
    EXPECT_EQ(quint8(bytes[6]), 128);
    EXPECT_EQ(quint8(bytes[7]), 128);
    EXPECT_EQ(u16(12), 8);

    QImageReader reader(QStringLiteral(":/icons/distamatic.ico"));
    EXPECT_EQ(reader.imageCount(), 1);
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(image.size(), QSize(128, 128));
    // Transparent corners, an opaque middle.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(64, 64)), 255);
}

TEST(ButtonIcons, ShowTheIconAtFontHeightOrKeepTheText)
{
    QPushButton themeless(QStringLiteral("+"));
    themeless.setIcon(QIcon(QStringLiteral(".")));
    use_button_icon_or_text(&themeless);
    EXPECT_EQ(themeless.text(), QStringLiteral("+"));
    EXPECT_EQ(themeless.iconSize(), QSize(0, 0));

    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::red);
    QPushButton themed(QStringLiteral("+"));
    themed.setIcon(QIcon(pixmap));
    use_button_icon_or_text(&themed);
    const int height = QFontMetrics(themed.font()).height();
    EXPECT_TRUE(themed.text().isEmpty());
    EXPECT_EQ(themed.iconSize(), QSize(height, height));

    QPushButton browse(QStringLiteral("Procházet"));
    set_button_qt_icon(&browse, QStyle::SP_DirOpenIcon);
    EXPECT_FALSE(browse.icon().isNull());
    EXPECT_EQ(browse.text(), QStringLiteral("Procházet"));
}

// The calculate button for an engine and its settings, with or without locations.
TEST_F(FormTest, EnablesCalculationOnlyForUsableSettings)
{
    QTemporaryFile mapFile;
    ASSERT_TRUE(mapFile.open());
    struct Case
    {
        const char *engine;
        QString server;
        bool defaultKey;
        QString key;
        bool enabled;
    };
    const std::vector<Case> cases = {
        {"osmrNet", "https://router.example/", true, "", true},
        {"osmrNet", "http://router.example", true, "", true},
        {"osmrNet", "ftp://router.example/", true, "", false},
        {"osmrNet", "", true, "", false},
        {"osmrNet", "router.example", true, "", false},
        {"openRouteService", "https://ors.example/", true, "", true},
        {"openRouteService", "https://ors.example/", false, "", false},
        {"openRouteService", "https://ors.example/", false, "abc", true},
        {"openRouteService", "HTTPS://ors.example/", false, "abc", true},
        {"openRouteService", "file:///tmp", true, "", false},
        {"offline", mapFile.fileName(), true, "", true},
        {"offline", mapFile.fileName() + ".missing", true, "", false},
        {"offline", "", true, "", false},
    };
    for (int locations : {0, 1}) {
        if (locations == 1)
            enter(QStringLiteral("50.08, 14.42"));
        for (const Case &c : cases) {
            const QString engine = QLatin1String(c.engine);
            QLineEdit *field = engine == "offline"  ? line("offlineMapfileInput")
                               : engine == "osmrNet" ? line("osmrServerInput")
                                                     : line("orsServerInput");
            field->setText(c.server);
            find<QCheckBox>("orsUseDefaultApiInput")->setChecked(c.defaultKey);
            line("orsApiKeyInput")->setText(c.key);
            // Switching to the engine's tab evaluates the form afresh.
            selectEngine(engine == "osmrNet" ? "offline" : "osmrNet");
            selectEngine(c.engine);
            EXPECT_EQ(button("calculateButton")->isEnabled(), c.enabled && locations > 0)
                << c.engine << " " << c.server.toStdString() << " key " << c.key.toStdString() << " locations "
                << locations;
        }
    }
}

TEST_F(FormTest, DefaultKeyBoxLocksTheKeyField)
{
    QCheckBox *useDefault = find<QCheckBox>("orsUseDefaultApiInput");
    useDefault->setChecked(false);
    EXPECT_TRUE(line("orsApiKeyInput")->isEnabled());
    EXPECT_EQ(line("orsApiKeyInput")->placeholderText(), QStringLiteral("Vložte váš klíč API\u2026"));
    useDefault->setChecked(true);
    EXPECT_FALSE(line("orsApiKeyInput")->isEnabled());
    EXPECT_EQ(line("orsApiKeyInput")->placeholderText(), QStringLiteral("Bude použit výchozí, přednastavený klíč."));
}

TEST_F(FormTest, AboutOpensANewWindowModalDialogOnItsFirstTabEachTime)
{
    action("actionAbout")->trigger();
    QList<AboutWindow *> dialogs = window->findChildren<AboutWindow *>();
    ASSERT_EQ(dialogs.size(), 1);
    AboutWindow *first = dialogs[0];
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowModality(), Qt::WindowModal);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("O Distamatic"));
    EXPECT_EQ(first->size(), QSize(681, 613));
    EXPECT_EQ(first->findChild<QLabel *>("label")->text(), QStringLiteral("O\u00a0programu Distamatic"));

    QTabWidget *tabs = first->findChild<QTabWidget *>("tabWidget");
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->currentIndex(), 0);
    const QStringList titles = {"Program", "Knihovny", "Služby", "Mapy"};
    const QStringList browsers = {"textBrowser_4", "textBrowser", "textBrowser_2", "textBrowser_3"};
    ASSERT_EQ(tabs->count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tabs->tabText(i), titles[i]);
        const auto *browser = tabs->widget(i)->findChild<QTextBrowser *>(browsers[i]);
        ASSERT_NE(browser, nullptr) << i;
        EXPECT_TRUE(browser->openExternalLinks()) << i;
    }
    const QString libraries = first->findChild<QTextBrowser *>("textBrowser")->toPlainText();
    EXPECT_TRUE(libraries.contains("version 1.2.13"));
    EXPECT_TRUE(libraries.contains("GNU LESSER GENERAL PUBLIC LICENSE"));
    EXPECT_TRUE(libraries.contains("Version 3, 29 June 2007"));
    EXPECT_TRUE(first->findChild<QTextBrowser *>("textBrowser_4")->toPlainText().contains("vývojáři programu Distamatic"));

    const QDialogButtonBox *buttons = first->findChild<QDialogButtonBox *>("buttonBox");
    EXPECT_EQ(buttons->standardButtons(), QDialogButtonBox::Close);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Close)->text(), QStringLiteral("Zavřít"));

    tabs->setCurrentIndex(2);
    QTest::mouseClick(buttons->button(QDialogButtonBox::Close), Qt::LeftButton);
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(first->result(), QDialog::Rejected);

    action("actionAbout")->trigger();
    dialogs = window->findChildren<AboutWindow *>();
    ASSERT_EQ(dialogs.size(), 2);
    AboutWindow *second = dialogs[0] == first ? dialogs[1] : dialogs[0];
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(second->findChild<QTabWidget *>("tabWidget")->currentIndex(), 0);
    QTest::keyClick(second, Qt::Key_Escape);
    EXPECT_FALSE(second->isVisible());
}

// The event loop's exit code once `close` has run inside it, or -1 when the
// program would have gone on running.
int exit_code_after(const std::function<void()> &close)
{
    QTimer::singleShot(0, close);
    QTimer::singleShot(5000, [] { QCoreApplication::exit(-1); });
    return QCoreApplication::exec();
}

// The program ends with its window even while an error dialog is open, and
// "Ukončit" closes such dialogs as well.
TEST_F(FormTest, ClosingTheWindowEndsTheProgramWithErrorDialogsOpen)
{
    selectEngine("osmrNet");
    enter(QStringLiteral("50.08, 14.42"));
    const auto showOneLocationError = [&] {
        window->show();
        button("calculateButton")->click();
    };

    showOneLocationError();
    EXPECT_EQ(exit_code_after([&] { action("actionQuit")->trigger(); }), 0);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(takeErrorMessages().isEmpty());

    line("addressInput")->setText(QStringLiteral("5"));
    showOneLocationError();
    EXPECT_EQ(exit_code_after([&] { window->close(); }), 0);
    EXPECT_TRUE(takeErrorMessages().isEmpty());
}

} // namespace
