#include "app/program_end.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/stand_in_http_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

namespace {

// Run in a child process by the test below: the window closes while the
// server holds its reply back for a minute, and main's ending follows.
TEST_F(MainWindowTest, DISABLED_ClosesDuringACalculation)
{
    StandInHttpServer server;
    server.enqueue({200, R"({"distances":[[0,1],[1,0]]})", "application/json", 1, std::chrono::milliseconds(60000)});
    selectEngine("osmrNet");
    line("osmrServerInput")->setText(server.baseUrl());
    enter("50.08, 14.42");
    enter("49.19, 16.61");
    QTimer::singleShot(0, [&] { button("calculateButton")->click(); });
    QTimer::singleShot(500, [&] { action("actionQuit")->trigger(); });
    const int exitCode = QCoreApplication::exec();
    window.reset();
    end_program(exitCode + 3);
    ADD_FAILURE() << "the program went on after its window had closed during a calculation";
}

TEST(ProgramEnd, ClosingTheWindowDuringACalculationEndsTheProgramPromptly)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests", "--gtest_filter=MainWindowTest.DISABLED_ClosesDuringACalculation"});
    ASSERT_TRUE(child.waitForFinished(30000)) << "the program hung";
    EXPECT_LT(timer.elapsed(), 20000);
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 3);
}

} // namespace
