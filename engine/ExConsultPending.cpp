// Temporary: keeps the engine linking until the consultation lands.
#include "ExSystem.h"
namespace quorvel {
void TExpertSystem::Instantiate(int32_t, const std::string&, bool, float) {}
bool TExpertSystem::IsMultivalued(int32_t) { return false; }
void TExpertSystem::RunConsultation() {}
void TExpertSystem::Ask(int32_t) {}
void TExpertSystem::PresentResults(int32_t) {}
std::vector<const THeadNode*> TExpertSystem::ConclusionsOf(int32_t) { return {}; }
void TExpertSystem::RemoveInstantiationsOf(int32_t) {}
}  // namespace quorvel
