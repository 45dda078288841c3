// Runs GoogleTest inside a QApplication, so tests can use widgets, event loops
// and QSignalSpy.
#include <QApplication>

#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__) || (defined(__has_feature) && __has_feature(thread_sanitizer))
// Qt and GLib are not instrumented and hand memory between threads through
// futexes, which ThreadSanitizer cannot see: the accesses its interceptors make
// (allocation, memory and descriptor functions) are ignored; everything compiled
// from this project and every pthread synchronisation is still checked. Queued
// signals copy their arguments on one thread and destroy them on another.
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
