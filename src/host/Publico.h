#pragma once

#include "CoreServices.h"
#include "ToolServices.h"

#include <QString>
#include <functional>
#include <memory>

namespace kesta {

// The component-wide globals: the two services objects and the statement text in which
// every statement is built.
namespace Publico {

using CoreFactory = std::function<std::unique_ptr<host::CoreServices>()>;
using ToolFactory = std::function<std::unique_ptr<host::ToolServices>()>;

// Installs the factories that the start-up routine uses. The component's plugin installs the
// host's services library; tests install a recording double. Must happen before first use.
void setServicesFactories(CoreFactory core, ToolFactory tool);
bool hasServicesFactories();

// The start-up routine: creates CoreServices, then ToolServices, once. Later calls do nothing.
// Raises host::RuntimeError when no factories were installed.
void StartUp();
bool started();

host::CoreServices &CoreServices();
host::ToolServices &ToolServices();

// The shared statement text.
QString &Sql();

// Drops the services objects and factories; for tests that need a fresh component.
void resetForTests();

} // namespace Publico
} // namespace kesta
