#include "tests/app/offline/offline_test_support.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

// Plain nodes (not dense), coordinates in the default granularity of 100 nanodegrees.
std::string nodes_group()
{
    std::string group;
    for (size_t i = 0; i < footwayNodes.size(); ++i) {
        const auto units = [](double degrees) { return pbf::zigzag(std::llround(degrees * 1e7)); };
        group += pbf::field(1, pbf::field(1, pbf::zigzag(int64_t(i) + 1)) + pbf::field(8, units(footwayNodes[i][0])) +
                                   pbf::field(9, units(footwayNodes[i][1])));
    }
    return group;
}

const std::vector<std::string> strings = {"highway", "footway"};

} // namespace

std::string write_footway_pbf(const TemporaryFolder &folder)
{
    // Way 10, highway=footway (strings 1 and 2), over nodes 1, 2, 3 (delta coded).
    const std::string way = pbf::field(1, uint64_t{10}) + pbf::field(2, pbf::packed({1})) +
                            pbf::field(3, pbf::packed({2})) +
                            pbf::field(8, pbf::packed({pbf::zigzag(1), pbf::zigzag(1), pbf::zigzag(1)}));
    return folder.write("footway.osm.pbf", pbf::header_frame() + pbf::data_frame(pbf::block(strings, nodes_group())) +
                                               pbf::data_frame(pbf::block(strings, pbf::field(3, way))));
}

std::string write_nodes_only_pbf(const TemporaryFolder &folder)
{
    return folder.write("nodes.osm.pbf", pbf::header_frame() + pbf::data_frame(pbf::block(strings, nodes_group())));
}

RouterRun run_router(Router &router, const vector_2d_double &points)
{
    RouterRun run;
    QObject receiver;
    QObject::connect(&router, &Router::distancesCalculated, &receiver,
                     [&run](const vector_2d_double &, const vector_2d_int &matrix) { run.matrix = matrix; });
    QObject::connect(&router, &Router::calculationError, &receiver, [&run](const QString &text) { run.errors << text; });
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
        if (!path.isEmpty()) {
            // Typed as the user would: selectFile leaves alone a name field that has the focus.
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
            static_cast<QDialog *>(dialog)->accept();
        }
        if (dialog->isVisible()) {
            EXPECT_TRUE(path.isEmpty()) << "the dialog did not take " << path.toStdString();
            dialog->reject();
        }
    });
    answer.start(10);
    QTest::mouseClick(button("offlineMapfileExploreButton"), Qt::LeftButton);
    EXPECT_EQ(caption, QStringLiteral("Otevřít soubor s\u00a0mapou"));
    EXPECT_EQ(directory, QDir::currentPath());
    EXPECT_EQ(filters, QStringList({"Mapy OSM (*.pbf)"}));
    EXPECT_EQ(line("offlineMapfileInput")->text(), path);
}

QStringList OfflineWindowTest::loadingLines() const
{
    const QStringList steps = {"Čtení mapových dat…", "Výpočet inverzních vektorů…", "Tvorba kontrakční hierarchie…",
                               "Mapové údaje byly úspěšně načteny…"};
    QStringList lines = errorLines();
    lines.removeIf([&steps](const QString &l) { return !steps.contains(l); });
    return lines;
}

void OfflineWindowTest::expectShown(const vector_2d_int &matrix)
{
    ASSERT_EQ(find<QTableWidget>("distanceTable")->rowCount(), int(matrix.size()));
    QString text;
    for (size_t i = 0; i < matrix.size(); ++i) {
        QStringList cells, values;
        for (const int distance : matrix[i]) {
            cells << QString::number(distance) + QStringLiteral(" m");
            values << QString::number(distance);
        }
        EXPECT_EQ(tableRow(int(i)), cells);
        text += values.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    EXPECT_EQ(csv(), text);
}

std::string standard_output_of(const vector_2d_int &matrix)
{
    std::string text;
    for (const std::vector<int> &row : matrix) {
        for (size_t j = 0; j < row.size(); ++j)
            text += (j > 0 ? "," : "") + std::to_string(row[j]);
        text += "\r\n";
    }
    return text;
}
