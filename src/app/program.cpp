#include "app/program.h"

#include <utility>

namespace pyrandel {

Program::Program(LobbyView& view, LobbyOptions options)
    : controls_(view, participants_),
      board_(controls_),
      server_(random_, participants_),
      client_(board_, controls_),
      lobby_(view, controls_, board_, server_, client_, std::move(options))
{
}

int Program::Run(std::uint32_t seed)
{
    random_.SetSeed(seed);
    lobby_.Run();
    return 0;
}

} // namespace pyrandel
