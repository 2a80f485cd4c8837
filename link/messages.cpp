#include "link/messages.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array kMessages{
    MessageText{MessageId::FileInUse,
                "The file is in using.!!\r\nClose the application first and try it again.",
                "Plik jest u\u017cywany!!\r\nZamknij progam i spr\u00f3buj ponownie."},
    MessageText{MessageId::ProtocolVersion,
                "Not support this protocol version.\r\nUpdate the firmware or using "
                "corresponding software.",
                "Nie obs\u0142ugiwana wersja protoko\u0142u.\r\nUaktualnij oprogramowanie "
                "kolektora."},
    MessageText{MessageId::FileNotExist, "The file is not exist.", "Brak pliku."},
    MessageText{MessageId::OverwriteQuestion, "%s exist, Overwrite??",
                "Plik %s ju\u017c istnieje, nadpisa\u0107??"},
    MessageText{MessageId::AnotherJob,
                "Another job is working!!\r\nWait for a while and retry anain.",
                "Inne zadanie jest uruchomione!!\r\nPoczekaj chwil\u0119 i spr\u00f3buj "
                "ponownie."},
    MessageText{MessageId::OpenPortFail, "Open communicate port fail!!!",
                "Otwarcie portu nieudane!!!"},
    MessageText{MessageId::DiskUnformat, "The disk is unformat!!\r\nPlease format first.",
                "Dysk jest nie sformatowany!!\r\nProsz\u0119 najpierw sformatowa\u0107."},
    MessageText{MessageId::DiskSpace,
                "The disk space is insufficient!!\r\nPlease delete some unuse file.",
                "Brak miejsca na dysku!!\r\nUsu\u0144 niepotrzebne pliki."},
    MessageText{MessageId::CannotCopyHere,
                "The file can't be copied to this path.Try another path.",
                "Plik nie mo\u017ce zosta\u0107 tutaj skopiowany. Spr\u00f3buj w innym miejscu"},
    MessageText{MessageId::CannotMoveHere, "The file can't be moved to this path.Try another path.",
                "Plik nie mo\u017ce zosta\u0107 tutaj przeniesiony. Spr\u00f3buj w innym "
                "miejscu."},
    MessageText{MessageId::NoInformation,
                "Cann't get any Information.\r\nCheck the connect status.",
                "Pobieranie informacji nieudane.\r\nSprawd\u017a stan po\u0142\u0105czenia."},
    MessageText{MessageId::DiskInUse, "Disk %s is in using, close the application first!!",
                "Dysk %s jest w trakcie u\u017cycia, zamknij najpierw program!!"},
    MessageText{MessageId::NotInstallMode, "Not in AP install mode!!",
                "Prze\u0142\u0105cz kolektor w tryb instalacji programu!!"},
    MessageText{MessageId::ApSizeInsufficient,
                "Terminal AP Size is insufficient!!!\r\nPlease resize and download again!",
                "Ustawiony rozmiar programu jest za ma\u0142y!!!\r\nZwi\u0119ksz rozmiar "
                "programu i zainstaluj program ponownie!"},
    MessageText{MessageId::ApplicationFail,
                "Application download fail!!\r\nCheck the connect status and try again!",
                "Instalacja programu nieudana!!\r\nSprawd\u017a stan po\u0142\u0105czenia i "
                "spr\u00f3buj ponownie!"},
    MessageText{MessageId::OpenFileFail, "Open file fail.", "Nieudana pr\u00f3ba otwarcia pliku."},
    MessageText{MessageId::BatchDone, "Batch build file download complete.",
                "Zako\u0144czone wysy\u0142anie z pliku wsadowego."},
    MessageText{MessageId::SetTimeDone, "Set Terminal Time done!!",
                "Czas ustawiony pomy\u015blnie!"},
    MessageText{MessageId::SetTimeFail,
                "Set Terminal Time fail!!\r\nPlease check the connect status.",
                "Ustawienie czasu nieudane!!\r\nSprawd\u017a stan po\u0142\u0105czenia."},
    MessageText{MessageId::FieldLabel, "Field %d", "Pole %d"},
    MessageText{MessageId::SourceFieldInvalid, "The source field %d length is invalid",
                "D\u0142ugo\u015b\u0107 pola zr\u00f3d\u0142owego %d jest nieprawid\u0142owa"},
    MessageText{MessageId::ConvertFieldInvalid, "The convert field %d length is invalid",
                "D\u0142ugo\u015b\u0107 pola docelowego %d jest nieprawid\u0142owa"},
    MessageText{MessageId::SelectPort, "Please select a communication port.",
                "Please select a communication port."},
    MessageText{MessageId::ActionDenied, "Action denied. You may have no right.",
                "Action denied. You may have no right ."},
    // The two below exist in English only; the Polish table shows the English text.
    MessageText{MessageId::InvalidFile, "Invalid file.\r\nCheck the file is corrected.",
                "Invalid file.\r\nCheck the file is corrected."},
    MessageText{MessageId::TerminalSystemError,
                "Terminal system error.\r\nContact ther programmer.\r\nError Code: %d.",
                "Terminal system error.\r\nContact ther programmer.\r\nError Code: %d."},
    MessageText{MessageId::NotStoredWhole,
                "The terminal did not keep the whole file.\r\nCheck the connect status and "
                "send the file again.",
                "Kolektor nie zapisa\u0142 ca\u0142ego pliku.\r\nSprawd\u017a stan "
                "po\u0142\u0105czenia i wy\u015blij plik ponownie."},
};

std::string Replace(std::string text, const char* placeholder, const std::string& value)
{
    if (const auto at = text.find(placeholder); at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

} // namespace

std::span<const MessageText> AllMessages()
{
    return kMessages;
}

std::string MessageString(MessageId id, Language language)
{
    const auto it = std::find_if(kMessages.begin(), kMessages.end(),
                                 [id](const MessageText& m) { return m.id == id; });
    if (it == kMessages.end())
        return {};
    return language == Language::Polish ? it->polish : it->english;
}

std::string FormatMessage(MessageId id, const std::string& argument, Language language)
{
    return Replace(MessageString(id, language), "%s", argument);
}

std::string FormatMessage(MessageId id, int argument, Language language)
{
    return Replace(MessageString(id, language), "%d", std::to_string(argument));
}
