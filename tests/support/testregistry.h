#pragma once

#include <QObject>
#include <functional>

// Each test area builds one executable; every test class in it registers itself here
// with VEXO_TEST_CLASS, and the shared main runs them all (or the one named by the
// first argument, which is how CTest runs each class as its own test).
namespace TestRegistry {
using Factory = std::function<QObject *()>;
bool add(const char *name, Factory factory);
}

#define VEXO_TEST_CLASS(Class)                                                                     \
    static const bool vexoTestRegistered_##Class =                                               \
        TestRegistry::add(#Class, [] { return static_cast<QObject *>(new Class); });

// A test class that needs a real X display (a window that a child process draws into)
// says so with this marker in its file; CTest then runs it under the virtual display
// instead of the offscreen platform.
#define VEXO_TEST_NEEDS_DISPLAY

// A test class whose windows must be placed, stacked or resized as on a desktop says so with
// this marker (beside VEXO_TEST_NEEDS_DISPLAY): its virtual display then runs a window manager.
#define VEXO_TEST_NEEDS_WINDOW_MANAGER
