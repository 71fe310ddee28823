#include "graphics/core/diagnosticlisteners.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace Graphics {
namespace {

struct ListenerCollection {
    std::mutex mutex;
    std::vector<DiagnosticListener*> listeners;
};

// Function-local so that it exists before any static initialiser could raise.
ListenerCollection& Collection() {
    static ListenerCollection collection;
    return collection;
}

}  // namespace

void DiagnosticListeners::Add(DiagnosticListener* listener) {
    auto& c = Collection();
    std::lock_guard lock(c.mutex);
    c.listeners.push_back(listener);
}

void DiagnosticListeners::Remove(DiagnosticListener* listener) {
    auto& c = Collection();
    std::lock_guard lock(c.mutex);
    c.listeners.erase(std::remove(c.listeners.begin(), c.listeners.end(), listener),
                      c.listeners.end());
}

void DiagnosticListeners::Notify(const std::string& text) {
    auto& c = Collection();
    std::lock_guard lock(c.mutex);
    for (DiagnosticListener* listener : c.listeners) listener->OnDiagnostic(text);
}

}  // namespace Graphics
