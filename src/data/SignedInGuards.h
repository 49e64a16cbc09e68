#pragma once

#include <vector>

// How signed-in mode holds a table to the team's rules (SignedIn.cpp makes the statements):
// not for use outside src/data.
namespace SignedIn {

struct Guarded {
    const char* table;
    const char* guard;       // plpgsql statements; OLD and NEW as the trigger has them
    const char* insertCheck; // policy of INSERT
    const char* updateCheck; // policy of the new row of an UPDATE
};

// The billing tables: rates and billing of a category are its manager's or an administrator's;
// a manager closes the time of their categories, an administrator all of it, and only an
// administrator reopens; a closing stays as it was written; the team's settings are the
// administrators'.
const std::vector<Guarded>& billingGuards();

} // namespace SignedIn
