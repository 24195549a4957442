// Fixture for the no-Qt check: a core header that must be caught.
#pragma once

#include <string>
#include <QtWidgets/QWidget>
#  include <QString>
#include <qglobal.h>
