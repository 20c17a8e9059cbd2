#pragma once

// The application's counted wait cursor: every Begin shows the wait cursor
// and adds one, every End takes one away, never below zero, and the cursor
// shown before comes back when the count returns to zero.

namespace quillon {

class WaitCursor {
public:
    static void Begin();
    static void End();
    static int Count();

    // Holds one wait cursor for the life of a scope, whatever way it is left.
    class Scope {
    public:
        Scope() { Begin(); }
        ~Scope() { End(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };
};

}  // namespace quillon
