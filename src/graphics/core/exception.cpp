#include "graphics/core/exception.h"

#include <cstring>

#include "graphics/core/diagnosticlisteners.h"

namespace Graphics {

std::string QualifiedFunctionName(const char* prettyFunction) {
    std::string text(prettyFunction);
    // The parameter list starts at the first '('; the library raises only from named
    // functions, never from operators.
    size_t open = text.find('(');
    std::string head = text.substr(0, open);
    // The return type, when there is one, ends at the last space outside template brackets.
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < head.size(); ++i) {
        if (head[i] == '<') ++depth;
        else if (head[i] == '>') --depth;
        else if (head[i] == ' ' && depth == 0) start = i + 1;
    }
    return head.substr(start);
}

void RaiseException(const char* prettyFunction, const char* file, int line, const char* message) {
    std::string text = "Exception in " + QualifiedFunctionName(prettyFunction) + " (" + file +
                       ", " + std::to_string(line) + "):\n\t" + message;
    DiagnosticListeners::Notify(text);
    throw Exception(message);
}

}  // namespace Graphics
