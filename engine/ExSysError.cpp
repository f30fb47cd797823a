#include "ExSysError.h"

#include <cerrno>

namespace quorvel {

std::string SystemErrorText(int error) {
    switch (error) {
        case 0: return "erro desconhecido";
        case EACCES:
        case EPERM: return "sem permissão";
        case ENOENT: return "arquivo ou pasta inexistente";
        case ENOTDIR: return "parte do caminho não é uma pasta";
        case EISDIR: return "é uma pasta, não um arquivo";
        case EEXIST: return "o arquivo já existe";
        case ENOSPC: return "não há espaço no disco";
        case EDQUOT: return "a cota de disco foi excedida";
        case EROFS: return "o sistema de arquivos é somente leitura";
        case EIO: return "erro de entrada/saída";
        case ENAMETOOLONG: return "nome de arquivo longo demais";
        case ELOOP: return "há ligações simbólicas em excesso no caminho";
        case EMFILE:
        case ENFILE: return "há arquivos abertos em excesso";
        case ENOMEM: return "memória insuficiente";
        case EFBIG: return "o arquivo ficaria grande demais";
        case EBUSY: return "o arquivo está em uso";
        case ETXTBSY: return "o arquivo é um programa em execução";
        case EXDEV: return "não é possível mover entre sistemas de arquivos diferentes";
        case EPIPE: return "a saída foi fechada (pipe interrompido)";
        case EINVAL: return "argumento inválido";
        case EBADF: return "descritor de arquivo inválido";
        case EAGAIN: return "recurso temporariamente indisponível";
        case EINTR: return "operação interrompida";
        case ENXIO: return "dispositivo inexistente";
        case ENODEV: return "dispositivo não suporta a operação";
        case ESTALE: return "arquivo de rede desatualizado";
        case ETIMEDOUT: return "tempo esgotado";
        default: return "erro do sistema " + std::to_string(error);
    }
}

std::string SystemErrorText(const std::error_code& error) {
    if (error.category() == std::generic_category() || error.category() == std::system_category())
        return SystemErrorText(error.value());
    return error.message();
}

}  // namespace quorvel
