// kelvo-far: list, extract, create, add to, delete from and verify FAR
// archives from the command line.
#include "cli/far_cli.h"

#include <exception>
#include <iostream>
#include <new>

int main(int argc, char** argv)
{
    try {
        return kelvo::cli::RunKelvoFar(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cerr << "kelvo-far: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "kelvo-far: " << e.what() << "\n";
    }
    return 1;
}
