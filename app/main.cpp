// Lumicar: a USB camera as a document camera.
#include "app/startup.h"

int main(int argc, char** argv) { return lumicar::RunViewer(argc, argv); }
