#include "kotoka/kotoka.h"
#include "kotoka/system.h"

int main(int argc, char* argv[])
{
    return kotoka::exitCode(kotoka::run(kotoka::sys::arguments(argc, argv)));
}
