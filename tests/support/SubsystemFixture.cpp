#include "SubsystemFixture.h"

SubsystemFixture::SubsystemFixture()
    : guard(messages, clock)
    , work{state, clock, messages, settings, guard, shell}
    , window(std::make_unique<QWidget>()) {
    state.database = Database::open(location());
    state.context = std::make_unique<DataContext>(DataContext{*state.database, clock});
    guard.setDatabase(state.database.get());
    state.activeTasks = std::make_unique<tasks>(*state.context);
    state.allCategories = std::make_unique<cateories>(*state.context);
    state.allUsers = std::make_unique<users>(*state.context);
    state.userNotifications = std::make_unique<notifications>(*state.context);
    state.allProcesses = std::make_unique<processes>();
}

SubsystemFixture::~SubsystemFixture() {
    // The controls go before the state their subsystems point into.
    window.reset();
}
