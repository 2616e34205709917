#pragma once

#include "host/CoreServices.h"
#include "host/ToolServices.h"

#include <QString>
#include <memory>

namespace velkora::services {

// The database location of the host: VELKORA_DATABASE, else defaultDatabaseLocation().
QString configuredDatabaseLocation();
// The operator code written into the audit columns: VELKORA_OPERATOR, else the signed-in
// user's name.
QString configuredOperator();

// The host's CoreServices: opens the "velkora" connection on configuredDatabaseLocation()
// when it is not open yet (a failure raises kesta::host::RuntimeError), and serves it with
// configuredOperator() as the operator.
std::unique_ptr<kesta::host::CoreServices> createCoreServices();
// The host's ToolServices on the "velkora" connection, with configuredOperator().
std::unique_ptr<kesta::host::ToolServices> createToolServices();

} // namespace velkora::services
