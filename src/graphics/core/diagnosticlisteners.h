#pragma once

#include <string>

namespace Graphics {

// Receives the diagnostic text of every raised Exception.
class DiagnosticListener {
public:
    virtual ~DiagnosticListener() = default;
    virtual void OnDiagnostic(const std::string& text) = 0;
};

// The process-wide, ordered collection of listeners, guarded by one mutex. The library
// registers none; the collection exists so that a build (or a test) may attach one.
class DiagnosticListeners {
public:
    // The listener is not owned; it must stay alive until removed.
    static void Add(DiagnosticListener* listener);
    static void Remove(DiagnosticListener* listener);
    // Hands `text` to every listener in registration order, under the mutex.
    static void Notify(const std::string& text);
};

}  // namespace Graphics
