<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl_PL">
<context>
    <name>AboutDialog</name>
    <message>
        <location filename="../../shell/about_dialog.cpp" line="17"/>
        <source>About KVVidiRidoved</source>
        <translation>Informacje o KV VidiRidoved</translation>
    </message>
    <message>
        <location filename="../../shell/about_dialog.cpp" line="20"/>
        <source>KVVidiRidoved Version</source>
        <translation>Wersja KV VidiRidoved</translation>
    </message>
</context>
<context>
    <name>CKVVidiRidovedApp</name>
    <message>
        <location filename="../../shell/ui_language.cpp" line="52"/>
        <source>KVVidiRidoved</source>
        <translation>KV VidiRidoved</translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>Collect</source>
        <translation>Zbierz dane</translation>
    </message>
    <message>
        <source>Fetch every file of the highlighted terminal folder into a PC folder</source>
        <translation>Pobierz wszystkie pliki zaznaczonego folderu kolektora do folderu na PC</translation>
    </message>
    <message>
        <source>A transfer to %1 is running. Stop it and quit?</source>
        <translation>Trwa transfer do %1. Przerwać go i zakończyć program?</translation>
    </message>
    <message>
        <source>%1 on %2 refused: another job of this connection is running</source>
        <translation>%1 na %2 odrzucona: trwa inne zadanie tego połączenia</translation>
    </message>
    <message>
        <source>Automatic transmission</source>
        <translation>Automatyczna transmisja</translation>
    </message>
    <message>
        <source>Automatic application install</source>
        <translation>Automatyczna instalacja aplikacji</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="167"/>
        <source>Convert Setting</source>
        <translation>Ustawienia konwertowania bazy</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="104"/>
        <source>New</source>
        <translation>Nowy</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="104"/>
        <source>Create a new document
New</source>
        <translation>Utwórz nowe połączenie
Nowy</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="107"/>
        <source>Close</source>
        <translation>Zamknij</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="107"/>
        <source>Close the active document
Close</source>
        <translation>Zamknij aktywne połączenie
Zamknij</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="109"/>
        <source>Quit the application; prompts to save documents
Exit</source>
        <translation>Zamknij program
Wyjdź</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="110"/>
        <source>Exit</source>
        <comment>menu without a connection</comment>
        <translation>Wyjdź</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="112"/>
        <source>Exit</source>
        <comment>menu with a connection</comment>
        <translation>Wyjdź</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="116"/>
        <location filename="../../shell/main_frame.cpp" line="319"/>
        <source>PC Window</source>
        <translation>Okno komputera</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="116"/>
        <source>Show or hide the pc window</source>
        <translation>Pokaż lub ukryj okno komputera.</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="121"/>
        <source>Message Window</source>
        <translation>Okno informacyjne</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="121"/>
        <source>Show or hide the message window</source>
        <translation>Pokaż lub ukryj okno informacyjne</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="125"/>
        <location filename="../../shell/main_frame.cpp" line="282"/>
        <source>Toolbar</source>
        <translation>Pasek narzędziowy</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="126"/>
        <source>Show or hide the toolbar
Toggle ToolBar</source>
        <translation>Pokaż lub ukryj pasek narzędziowy
Przełącz pasek narzędziowy</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="128"/>
        <source>Status Bar</source>
        <translation>Pasek statusu</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="129"/>
        <source>Show or hide the status bar
Toggle StatusBar</source>
        <translation>Pokaż lub ukryj pasek statusu</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="135"/>
        <source>About KVVidiRidoved...</source>
        <translation>Informacje o KV VidiRidoved...</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="136"/>
        <source>Display program information, version number and copyright
About</source>
        <translation>Pokaż informacje o programie
Informacje</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="140"/>
        <source>Cut</source>
        <translation>Wytnij</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="140"/>
        <source>Cut the selection file and put it on the Clipboard
Cut</source>
        <translation>Wytnij zaznaczony plik i umieść w schowku
Wytnij</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="142"/>
        <source>Copy</source>
        <translation>Kopiuj</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="143"/>
        <source>Copy the selection file and put it on the Clipboard
Copy</source>
        <translation>Kopiuj zaznaczony plik i umieść w schowku
Kopiuj</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="145"/>
        <source>Delete</source>
        <translation>Usuń</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="145"/>
        <source>Delete the selection file
Delete</source>
        <translation>Usuń zaznaczony plik
Usuń</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="147"/>
        <source>Paste</source>
        <translation>Wklej</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="147"/>
        <source>Insert Clipboard contents
Paste</source>
        <translation>Wklej ze schowka
Wklej</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="149"/>
        <source>Format</source>
        <translation>Formatowanie</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="149"/>
        <source>Format Disc</source>
        <translation>Formatuj dysk</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="151"/>
        <source>Property</source>
        <translation>Właściwości</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="152"/>
        <source>Display the properties of the selected items.</source>
        <translation>Wyświetl właściwości zazanaczonego elementu.</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="155"/>
        <source>Communicate</source>
        <translation>Połączenie</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="155"/>
        <source>Setup the communication port.
Communication</source>
        <translation>Ustaw port komunikacyjny.
Połączenie</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="157"/>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="158"/>
        <source>Standard transmission.
Normal transmission</source>
        <translation>Standard transmission.
Normal transmission</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="159"/>
        <source>Convert</source>
        <translation>Convert</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="160"/>
        <source>Convert file while transmission.
Convert transmission</source>
        <translation>Convert file while transmission.
Convert transmission</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="168"/>
        <source>Setting the DBMS file convert.
File Convert Setting</source>
        <translation>Ustawienia konwertowania bazy.
Ustawienia konwertowanego pliku</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="170"/>
        <source>Set Time</source>
        <translation>Ustaw czas</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="170"/>
        <source>Change the time on teminal.</source>
        <translation>Ustaw czas na kolektorze</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="171"/>
        <source>Clock Synchronization</source>
        <translation>Synchronizacja zegara</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="172"/>
        <source>Auto synchronization PDT Clock</source>
        <translation>Auto synchronization PDT Clock</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="175"/>
        <source>Get Information</source>
        <translation>Pobierz informacje</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="176"/>
        <source>Get Terminal Information.
Information</source>
        <translation>Pobierz informacje o kolektorze
informacje</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="177"/>
        <source>Application download</source>
        <translation>Instaluj program</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="178"/>
        <source>Download terminal application</source>
        <translation>Wyślij program do kolektora.</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="179"/>
        <source>Batch download</source>
        <translation>Wysyłanie grupowe</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="179"/>
        <source>Download batch build file</source>
        <translation>Wsadowy plik wysyłania</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="180"/>
        <source>Cascade</source>
        <translation>Kaskadowo</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="181"/>
        <source>Arrange windows so they overlap
Cascade Windows</source>
        <translation>Rozmieść okna kaskadowo</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="183"/>
        <source>Tile Horizontally</source>
        <translation>Poziomo</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="184"/>
        <source>Arrange windows as horizontal, non-overlapping tiles
Tile Windows</source>
        <translation>Rozmieść okna poziomo
Rozmieść okna</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="186"/>
        <source>Tile Vertically</source>
        <translation>Pionowo</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="187"/>
        <source>Arrange windows as vertical, non-overlapping tiles
Tile Windows</source>
        <translation>Rozmieść okna pionowo
Rozmieść okna</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="211"/>
        <location filename="../../shell/main_frame.cpp" line="221"/>
        <source>File</source>
        <translation>Plik</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="215"/>
        <location filename="../../shell/main_frame.cpp" line="241"/>
        <source>View</source>
        <translation>Widok</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="217"/>
        <location filename="../../shell/main_frame.cpp" line="247"/>
        <source>Help</source>
        <translation>Pomoc</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="226"/>
        <source>Setup</source>
        <translation>Ustawienia</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="228"/>
        <source>Convert mode</source>
        <translation>Convert mode</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="233"/>
        <source>Tool</source>
        <translation>Narzędzia</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="243"/>
        <source>Window</source>
        <translation>Okno</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="255"/>
        <source>Delete</source>
        <comment>context menu</comment>
        <translation>Usuń.</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="310"/>
        <source>Ready</source>
        <translation>Gotowy</translation>
    </message>
</context>
<context>
    <name>ConnectSetupDialog</name>
    <message>
        <location filename="../../connection/connect_setup_dialog.cpp" line="18"/>
        <source>Connect Setup</source>
        <translation>Ustawienia połączenia</translation>
    </message>
    <message>
        <location filename="../../connection/connect_setup_dialog.cpp" line="24"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../../connection/connect_setup_dialog.cpp" line="25"/>
        <source>Cancel</source>
        <translation>Anuluj</translation>
    </message>
    <message>
        <location filename="../../connection/connect_setup_dialog.cpp" line="33"/>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <location filename="../../connection/connect_setup_dialog.cpp" line="34"/>
        <source>Baud rate:</source>
        <translation>Prędkość:</translation>
    </message>
</context>
<context>
    <name>ConvertSettingDialog</name>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="64"/>
        <source>DBMS File Convert</source>
        <translation>Konwerter bazy</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="69"/>
        <source>Original</source>
        <translation>Źródłowy</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="70"/>
        <source>Converted</source>
        <translation>Docelowy</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="72"/>
        <source>Fixed Name:</source>
        <translation>Fixed Name:</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="81"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="82"/>
        <source>Cancel</source>
        <translation>Anuluj</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="122"/>
        <source>Length</source>
        <translation>Length</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="122"/>
        <source>Tab</source>
        <translation>Tab</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="122"/>
        <source>Space</source>
        <translation>Space</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="126"/>
        <source>Field Count:</source>
        <translation>Liczba pól:</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="134"/>
        <source>Delimiter:</source>
        <translation>Separator:</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="205"/>
        <source>Please enter an integer.</source>
        <translation>Wprowadź liczbę całkowitą.</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="211"/>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>Wprowadź liczbę całkowitą z zakresu od %1 do %2.</translation>
    </message>
</context>
<context>
    <name>MessageWindow</name>
    <message>
        <location filename="../../shell/message_window.cpp" line="16"/>
        <source>Message Window</source>
        <translation>Okno informacyjne</translation>
    </message>
</context>
<context>
    <name>CPCFileTree</name>
    <message>
        <source>The terminal stores names of up to 8 letters and a 3-letter extension; this file cannot be sent.</source>
        <translation>Terminal przechowuje nazwy o długości do 8 liter z 3-literowym rozszerzeniem; tego pliku nie można wysłać.</translation>
    </message>
</context>
<context>
    <name>ProgressDialog</name>
    <message>
        <location filename="../../pc/progress_dialog.cpp" line="32"/>
        <source>Process</source>
        <translation>Przetwarzanie</translation>
    </message>
    <message>
        <location filename="../../pc/progress_dialog.cpp" line="60"/>
        <source>Total Files:</source>
        <translation>Liczba plików:</translation>
    </message>
    <message>
        <location filename="../../pc/progress_dialog.cpp" line="61"/>
        <source>Finish Files:</source>
        <translation>Przesłane pliki:</translation>
    </message>
    <message>
        <location filename="../../pc/progress_dialog.cpp" line="67"/>
        <source>Cancel</source>
        <translation>Anuluj</translation>
    </message>
</context>
<context>
    <name>PropertiesDialog</name>
    <message>
        <location filename="../../pc/properties_dialog.cpp" line="37"/>
        <source>Location:</source>
        <translation>Ścieżka:</translation>
    </message>
    <message>
        <location filename="../../pc/properties_dialog.cpp" line="38"/>
        <source>Size:</source>
        <translation>Rozmiar:</translation>
    </message>
    <message>
        <location filename="../../pc/properties_dialog.cpp" line="38"/>
        <source>Date:</source>
        <translation>Data:</translation>
    </message>
    <message>
        <location filename="../../pc/properties_dialog.cpp" line="44"/>
        <source>Properties</source>
        <translation>Właściwości</translation>
    </message>
    <message>
        <location filename="../../pc/properties_dialog.cpp" line="50"/>
        <source>Name:</source>
        <translation>Nazwa:</translation>
    </message>
    <message>
        <location filename="../../pc/properties_dialog.cpp" line="52"/>
        <source>Type:</source>
        <translation>Typ:</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>kvvidiridoved: no private folder for the single-instance socket (XDG_RUNTIME_DIR, the temporary folder, ~/.cache); this program runs without it, so a second start or --post will not reach it</source>
        <translation>kvvidiridoved: brak prywatnego folderu na gniazdo jednej instancji (XDG_RUNTIME_DIR, folder tymczasowy, ~/.cache); program działa bez niego, więc ani drugie uruchomienie, ani --post do niego nie dotrą</translation>
    </message>
</context>
<context>
    <name>StartOptions</name>
    <message>
        <location filename="../../shell/start_options.cpp" line="60"/>
        <source>Usage: kvvidiridoved [OPTION]... [MODE]
A file manager for portable data terminals on serial ports.

  MODE               0 or none: start with the connect dialog; 1: automatic
                     transmission; another number: install an application
  --lang en|pl       the language of the program (default: the user&apos;s locale)
  --screenshot FILE  connect to the first port, save a picture of the main
                     window as FILE (PNG) and end
  --post transmit|install
                     hand the automatic transmission or install to the
                     running program and end; with none running, start
                     in that mode
  -h, --help         show this help and end
  --version          show the version and end

A second start while the program runs brings its window to the front and
ends.
</source>
        <translation>Użycie: kvvidiridoved [OPCJA]... [TRYB]
Menedżer plików przenośnych terminali danych na portach szeregowych.

  TRYB               0 lub brak: start z oknem połączenia; 1: automatyczna
                     transmisja; inna liczba: instalacja aplikacji
  --lang en|pl       język programu (domyślnie: język użytkownika)
  --screenshot PLIK  połącz z pierwszym portem, zapisz obraz głównego okna
                     jako PLIK (PNG) i zakończ
  --post transmit|install
                     przekaż automatyczną transmisję lub instalację
                     działającemu programowi i zakończ; gdy żaden nie
                     działa, uruchom program w tym trybie
  -h, --help         pokaż tę pomoc i zakończ
  --version          pokaż wersję i zakończ

Drugie uruchomienie w czasie pracy programu przenosi jego okno na wierzch
i kończy się.
</translation>
    </message>
</context>
<context>
    <name>TerminalInfoDialog</name>
    <message>
        <source>Terminal Information</source>
        <translation>Informacje o kolektorze</translation>
    </message>
    <message>
        <source>Model:</source>
        <translation>Model:</translation>
    </message>
    <message>
        <source>F/W Version</source>
        <translation>Oprogramowanie:</translation>
    </message>
    <message>
        <source>Serial Number:</source>
        <translation>Numer seryjny:</translation>
    </message>
    <message>
        <source>Equipment ID</source>
        <translation>ID urządzenia:</translation>
    </message>
</context>
<context>
    <name>TerminalTimeDialog</name>
    <message>
        <source>Setup Terminal Time</source>
        <translation>Ustawienia czasu kolektora</translation>
    </message>
    <message>
        <source>Synchronize with PC</source>
        <translation>Synchronizuj z PC</translation>
    </message>
    <message>
        <source>None Synchronize</source>
        <translation>Nie synchronizuj</translation>
    </message>
    <message>
        <source>Set Time</source>
        <translation>Ustaw czas</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Anuluj</translation>
    </message>
    <message>
        <source>Date &amp;&amp; Time:</source>
        <translation>Data i czas:</translation>
    </message>
</context>
<context>
    <name>ApplicationDownloadJob</name>
    <message>
        <source>Application download complete</source>
        <translation>Instalacja programu zakończona</translation>
    </message>
</context>
<context>
    <name>CTerminalView</name>
    <message>
        <source>Click the terminal folder to collect first (C:\DATA, for example).</source>
        <translation>Najpierw kliknij folder kolektora do zebrania (na przykład C:\DATA).</translation>
    </message>
    <message>
        <source>Collect %1 into</source>
        <translation>Zbierz %1 do</translation>
    </message>
    <message>
        <source>Delete each file of %1 on the terminal once its copy is verified?</source>
        <translation>Usuwać każdy plik %1 z kolektora po sprawdzeniu jego kopii?</translation>
    </message>
    <message>
        <source>Collect %1 failed (status %2)</source>
        <translation>Zbieranie %1 nieudane (status %2)</translation>
    </message>
    <message>
        <source>Collect %1 into %2: %3 of %4 files collected, %5 deleted on the terminal</source>
        <translation>Zbieranie %1 do %2: zebrano %3 z %4 plików, %5 usunięto z kolektora</translation>
    </message>
    <message>
        <source>Collect %1 into %2: %3 of %4 files collected</source>
        <translation>Zbieranie %1 do %2: zebrano %3 z %4 plików</translation>
    </message>
    <message>
        <source>Automatic transmission from %1: %2 of %3 files sent</source>
        <translation>Automatyczna transmisja z %1: wysłano plików: %2 z %3</translation>
    </message>
    <message>
        <source>Application Files (*.bin)</source>
        <translation>Pliki programów (*.bin)</translation>
    </message>
    <message>
        <source>Batch Build Files (*.cmb)</source>
        <translation>Pliki wsadowe (*.cmb)</translation>
    </message>
    <message>
        <source>%1: record %2 is damaged; it and the records after it were not sent</source>
        <translation>%1: rekord %2 jest uszkodzony; ani on, ani następne rekordy nie zostały wysłane</translation>
    </message>
    <message>
        <source>%1: %2 of %3 records sent</source>
        <translation>%1: wysłano rekordów: %2 z %3</translation>
    </message>
    <message>
        <source>Batch build file download incomplete: %1 of %2 records sent. The message window names the others.</source>
        <translation>Wysyłanie z pliku wsadowego nie zostało ukończone: wysłano rekordów: %1 z %2. Pozostałe wymienia okno komunikatów.</translation>
    </message>
    <message>
        <source>Automatic application install of %1: %2</source>
        <translation>Automatyczna instalacja aplikacji %1: %2</translation>
    </message>
    <message>
        <source>The connection on %1 is closed: its port cannot be opened again</source>
        <translation>Połączenie na %1 zostało zamknięte: nie można ponownie otworzyć jego portu</translation>
    </message>
    <message>
        <source>The connection stays on %1</source>
        <translation>Połączenie pozostaje na %1</translation>
    </message>
</context>
<context>
    <name>CTerminalFileTree</name>
    <message>
        <source>Listing %1 failed: the line to the terminal is gone</source>
        <translation>Odczyt listy %1 nieudany: połączenie z kolektorem zostało przerwane</translation>
    </message>
    <message>
        <source>listing...</source>
        <translation>odczyt listy...</translation>
    </message>
    <message>
        <source>Listing %1 failed: the terminal does not answer</source>
        <translation>Odczyt listy %1 nieudany: kolektor nie odpowiada</translation>
    </message>
    <message>
        <source>Listing %1 failed (status %2)</source>
        <translation>Odczyt listy %1 nieudany (status %2)</translation>
    </message>
    <message>
        <source>Format disk %1 of %2? Every file on it is lost.</source>
        <translation>Sformatować dysk %1 w %2? Wszystkie pliki na nim zostaną utracone.</translation>
    </message>
</context>
</TS>
