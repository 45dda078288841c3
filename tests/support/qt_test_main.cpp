// Runs GoogleTest inside a QApplication, so tests can use widgets, event loops
// and QSignalSpy.
#include <QApplication>

#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__) || (defined(__has_feature) && __has_feature(thread_sanitizer))
// ThreadSanitizer cannot see how the uninstrumented Qt and GLib libraries hand
// their own memory between threads: their locks wait on futexes, not on
// pthread functions. In the tests that run Qt's event loops, the accesses that
// the sanitizer's interceptors make (allocation, freeing, memory and
// descriptor functions) are therefore ignored; every access compiled from this
// project is still checked, and pthread synchronisation is still tracked.
// Queued signals copy their arguments on the emitting thread and destroy them
// on the receiving one, handed over through Qt's event queue.
extern "C" const char *__tsan_default_options()
{
    return "ignore_interceptors_accesses=1";
}

extern "C" const char *__tsan_default_suppressions()
{
    return "race:QtPrivate::QMetaTypeForType<*>::getCopyCtr\n"
           "race:QtPrivate::QMetaTypeForType<*>::getDtor\n";
}
#endif

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
