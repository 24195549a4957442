// Fixture for the no-Qt check: includes that look like Qt but are not.
#include "core/abi/qx4_driver.h"
#include <queue>
#include "qx4_hook.h"
#include "Queue.h"
#include <QX4_CONFIG>
