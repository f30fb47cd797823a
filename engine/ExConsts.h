// The fixed texts of the knowledge-base model and the file layer (UTF-8).
#pragma once

namespace quorvel::msg {

// Containers
inline constexpr const char* DeleteLostPointer = "Houve a tentativa de deleção com ponteiro perdido!";
inline constexpr const char* ReadLostPointer = "Houve a tentativa de leitura com ponteiro perdido! Propriedade: ";
inline constexpr const char* WriteLostPointer =
    "Houve a tentativa de mudança de valor de propriedade com ponteiro perdido! Propriedade: ";
inline constexpr const char* TreeLostPointer =
    "Houve a tentativa de leitura da propriedade \"árvore\" com ponteiro perdido!";
inline constexpr const char* MoveBeforeStart = "Houve a tentativa de movimento além do início da árvore!";
inline constexpr const char* MoveAfterEnd = "Houve a tentativa de movimento além do fim da árvore!";
inline constexpr const char* AllocVars = "Houve um erro de alocação de memória para variáveis! ";
inline constexpr const char* AllocTails = "Houve um erro de alocação de memória para caudas!";
inline constexpr const char* AllocQuestions = "Houve um erro de alocação de memória para perguntas!";
inline constexpr const char* AllocContexts = "Houve um erro de alocação de memória para contextos de ajuda!";
inline constexpr const char* AllocTreeOfTrees = "Houve um erro de alocação de memória para TTreeOfTrees.";
inline constexpr const char* AllocVarList =
    "Houve um erro de alocação de memória para lista de variáveis instanciadas!";

// Property names used in the lost-pointer messages
inline constexpr const char* PropCode = "código";
inline constexpr const char* PropName = "nome";
inline constexpr const char* PropMultivalued = "multivalorada";
inline constexpr const char* PropNumeric = "numérica";
inline constexpr const char* PropVarCode = "código da variável";
inline constexpr const char* PropValueCode = "código do valor";
inline constexpr const char* PropPosition = "posição do valor";
inline constexpr const char* PropOperator = "propriedade";
inline constexpr const char* PropConnective = "conectivo";
inline constexpr const char* PropNegated = "negação";
inline constexpr const char* PropCnf = "CNF";
inline constexpr const char* PropQuestion = "pergunta";
inline constexpr const char* PropReasons = "motivo";
inline constexpr const char* PropUseCnf = "usar CNF";
inline constexpr const char* PropHelpContext = "contexto de ajuda";
inline constexpr const char* PropValueText = "valor";

// Run-time stacks and queue
inline constexpr const char* EmptyStack = "Pilha vazia!";
inline constexpr const char* EmptyQueue = "Não existem elementos na fila!";

// Access operations
inline constexpr const char* NoSuchConnective = "Uma conectivo inexistente foi requerido!";
inline constexpr const char* NoSuchVariable = "Uma variável inexistente foi requerida!";
inline constexpr const char* NoSuchValue = "Um valor inexistente foi requerido!";
inline constexpr const char* NoSuchFormula = "Um fórmula inexistente foi requerida!";
inline constexpr const char* NoValueFound = "Nenhum valor encontrado.!";
inline constexpr const char* NoValueFoundResult = "Nenhum valor encontrado.";

// Files
inline constexpr const char* NeedsNewerVersion =
    "Você precisa de uma versão mais nova do Quorvel para abrir essa base!";
inline constexpr const char* DamagedFile =
    "Um erro ocorreu durante a abertura do arquivo. Ele pode estar danificado, ou não ser realmente do "
    "formato Quorvel, ou ainda ser uma insuficiência de memória do sistema.";
inline constexpr const char* NotABaseFile = "Este arquivo não é um arquivo Quorvel!";

// Passwords
inline constexpr const char* InvalidPassword = "Senha inválida!";
inline constexpr const char* NoPermission = "Não é permitido o uso desse arquivo em nenhuma hipótese!";
inline constexpr const char* ExecutionOnly =
    "A permissão de uso restringe o sistema especialista somente à execução. Você não poderá ver as "
    "regras que formam a base de conhecimento.";
inline constexpr const char* ExecutionAndView =
    "Você poderá utilizar o sistema especialista normalmente, mas não será permitida a edição da base!";
inline constexpr const char* WrongConfirmation = "Confirmação errada!";

// Special values
inline constexpr const char* Unknown = "DESCONHECIDO";
inline constexpr const char* Yes = "Sim";
inline constexpr const char* No = "Não";
inline constexpr const char* NewBaseName = "SEM NOME";

}  // namespace quorvel::msg
