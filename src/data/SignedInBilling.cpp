#include "data/SignedInGuards.h"

#include <string>

namespace SignedIn {

namespace {

// A category's rates and billing: its manager's or an administrator's, never within time
// already closed.
const char* const ManagedByCategory =
    R"(IF TG_OP <> 'INSERT' AND NOT quillhour_is_admin() AND NOT EXISTS (
            SELECT 1 FROM category WHERE categoryId = OLD.categoryId
            AND ownerUserId = quillhour_me()) THEN
          PERFORM quillhour_refuse('category', NULL, OLD.categoryId);
        END IF;
        IF TG_OP <> 'DELETE' AND NOT quillhour_is_admin() AND NOT EXISTS (
            SELECT 1 FROM category WHERE categoryId = NEW.categoryId
            AND ownerUserId = quillhour_me()) THEN
          PERFORM quillhour_refuse('category', NULL, NEW.categoryId);
        END IF;)";

// A rate also never reaches into time already closed.
const char* const OutsideClosedTime =
    R"(IF TG_OP <> 'INSERT' THEN
          PERFORM quillhour_refuse_closed(OLD.fromDate, OLD.categoryId);
        END IF;
        IF TG_OP <> 'DELETE' THEN
          PERFORM quillhour_refuse_closed(NEW.fromDate, NEW.categoryId);
        END IF;)";

const char* const ClosingGuard =
    R"(IF TG_OP = 'DELETE' THEN
          PERFORM quillhour_refuse('closing', NULL, OLD.categoryId);
        END IF;
        IF TG_OP = 'INSERT' THEN
          IF NEW.closedByUserId IS DISTINCT FROM quillhour_me() THEN
            PERFORM quillhour_refuse('closing', NULL, NEW.categoryId);
          END IF;
          IF NOT quillhour_is_admin() AND (NEW.categoryId IS NULL OR NOT EXISTS (
              SELECT 1 FROM category WHERE categoryId = NEW.categoryId
              AND ownerUserId = quillhour_me())) THEN
            PERFORM quillhour_refuse('close', NULL, NEW.categoryId);
          END IF;
          RETURN NEW;
        END IF;
        IF NOT quillhour_is_admin() THEN
          PERFORM quillhour_refuse('reopen', NULL, OLD.categoryId);
        END IF;
        IF OLD.reopenedAt IS NOT NULL OR NEW.reopenedByUserId IS DISTINCT FROM quillhour_me()
            OR (NEW.closedPeriodId, NEW.categoryId, NEW.closedThrough, NEW.closedByUserId,
                NEW.closedAt)
               IS DISTINCT FROM (OLD.closedPeriodId, OLD.categoryId, OLD.closedThrough,
                                 OLD.closedByUserId, OLD.closedAt) THEN
          PERFORM quillhour_refuse('closing', NULL, OLD.categoryId);
        END IF;)";

const char* const AdministratorsOnly =
    R"(IF NOT quillhour_is_admin() THEN
          PERFORM quillhour_refuse('team', NULL, NULL);
        END IF;)";

} // namespace

const std::vector<Guarded>& billingGuards() {
    static const std::string rateGuard = std::string(ManagedByCategory) + "\n" + OutsideClosedTime;
    static const std::vector<Guarded> guards = {
        {"categoryRate", rateGuard.c_str(), "true", "true"},
        {"categoryBilling", ManagedByCategory, "true", "true"},
        {"closedPeriod", ClosingGuard, "closedByUserId = quillhour_me()", "true"},
        {"teamSetting", AdministratorsOnly, "quillhour_is_admin()", "quillhour_is_admin()"},
    };
    return guards;
}

} // namespace SignedIn
