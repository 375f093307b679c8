#include "app/application.h"

int main(int argc, char** argv) { return korvane::run_application(argc, argv); }
