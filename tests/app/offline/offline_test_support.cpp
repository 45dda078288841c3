#include "tests/app/offline/offline_test_support.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTest>
#include <QTimer>

#include <cmath>

std::string write_footway_pbf(const TemporaryFolder &folder)
{
    // Plain nodes 1, 2, 3 in units of 100 nanodegrees, then way 10 with
    // highway=footway (strings 1 and 2) over them, delta coded.
    std::string nodes;
    const auto units = [](double degrees) { return pbf::zigzag(std::llround(degrees * 1e7)); };
    for (size_t i = 0; i < footwayNodes.size(); ++i) {
        nodes += pbf::field(1, pbf::field(1, pbf::zigzag(int64_t(i) + 1)) + pbf::field(8, units(footwayNodes[i][0])) +
                                   pbf::field(9, units(footwayNodes[i][1])));
    }
    const std::string way = pbf::field(1, uint64_t{10}) + pbf::field(2, pbf::packed({1})) +
                            pbf::field(3, pbf::packed({2})) +
                            pbf::field(8, pbf::packed({pbf::zigzag(1), pbf::zigzag(1), pbf::zigzag(1)}));
    const std::vector<std::string> strings = {"highway", "footway"};
    return folder.write("footway.osm.pbf", pbf::header_frame() + pbf::data_frame(pbf::block(strings, nodes)) +
                                               pbf::data_frame(pbf::block(strings, pbf::field(3, way))));
}

RouterRun run_router(Router &router, const vector_2d_double &points)
{
    RouterRun run;
    QObject receiver;
    QObject::connect(&router, &Router::distancesCalculated, &receiver,
                     [&run](const vector_2d_double &, const vector_2d_int &matrix) { run.matrix = matrix; });
    QObject::connect(&router, &Router::calculationError, &receiver,
                     [&run](const QString &text) { run.errors << text; });
    router.calculateDistances(points);
    return run;
}

void OfflineWindowTest::browseMapFile(const QString &path)
{
    QString caption, directory;
    QStringList filters;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        answer.stop();
        caption = dialog->windowTitle();
        directory = dialog->directory().absolutePath();
        filters = dialog->nameFilters();
        // Typed as the user would: selectFile leaves alone a name field that has the focus.
        if (!path.isEmpty()) {
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(path);
            static_cast<QDialog *>(dialog)->accept();
        }
        if (dialog->isVisible()) {
            EXPECT_TRUE(path.isEmpty()) << "the dialog did not take " << path.toStdString();
            dialog->reject();
        }
    });
    answer.start(10);
    QTest::mouseClick(button("offlineMapfileExploreButton"), Qt::LeftButton);
    EXPECT_EQ(caption, "Otevřít soubor s\u00a0mapou");
    EXPECT_EQ(directory, QDir::currentPath());
    EXPECT_EQ(filters, QStringList({"Mapy OSM (*.pbf)"}));
    EXPECT_EQ(line("offlineMapfileInput")->text(), path);
}

void OfflineWindowTest::expectCalculated(const vector_2d_int &matrix, const vector_2d_int &shown)
{
    const auto text = [](const vector_2d_int &rows, const char *lineEnd) {
        std::string text;
        for (const std::vector<int> &row : rows) {
            for (size_t j = 0; j < row.size(); ++j)
                text += (j > 0 ? "," : "") + std::to_string(row[j]);
            text += lineEnd;
        }
        return text;
    };
    EXPECT_EQ(calculateCapturing(), text(matrix, "\r\n"));
    EXPECT_EQ(csv().toStdString(), text(shown, "\n"));
    ASSERT_EQ(find<QTableWidget>("distanceTable")->rowCount(), int(shown.size()));
    for (size_t i = 0; i < shown.size(); ++i) {
        QStringList cells;
        for (const int distance : shown[i])
            cells << QString::number(distance) + " m";
        EXPECT_EQ(tableRow(int(i)), cells);
    }
}
