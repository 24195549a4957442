#include "gui/app/application.h"

int main(int argc, char** argv) { return qx4::gui::runApplication(argc, argv); }
