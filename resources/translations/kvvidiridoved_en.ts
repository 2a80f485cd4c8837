<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AboutDialog</name>
    <message>
        <location filename="../../shell/about_dialog.cpp" line="17"/>
        <source>About KVVidiRidoved</source>
        <translation>About KVVidiRidoved</translation>
    </message>
    <message>
        <location filename="../../shell/about_dialog.cpp" line="20"/>
        <source>KVVidiRidoved Version</source>
        <translation>KVVidiRidoved Version</translation>
    </message>
</context>
<context>
    <name>CKVVidiRidovedApp</name>
    <message>
        <location filename="../../shell/ui_language.cpp" line="52"/>
        <source>KVVidiRidoved</source>
        <translation>KVVidiRidoved</translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>Collect</source>
        <translation>Collect</translation>
    </message>
    <message>
        <source>Fetch every file of the highlighted terminal folder into a PC folder</source>
        <translation>Fetch every file of the highlighted terminal folder into a PC folder</translation>
    </message>
    <message>
        <source>A transfer to %1 is running. Stop it and quit?</source>
        <translation>A transfer to %1 is running. Stop it and quit?</translation>
    </message>
    <message>
        <source>%1 on %2 refused: another job of this connection is running</source>
        <translation>%1 on %2 refused: another job of this connection is running</translation>
    </message>
    <message>
        <source>Automatic transmission</source>
        <translation>Automatic transmission</translation>
    </message>
    <message>
        <source>Automatic application install</source>
        <translation>Automatic application install</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="167"/>
        <source>Convert Setting</source>
        <translation>Convert Setting</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="104"/>
        <source>New</source>
        <translation>New</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="104"/>
        <source>Create a new document
New</source>
        <translation>Create a new document
New</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="107"/>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="107"/>
        <source>Close the active document
Close</source>
        <translation>Close the active document
Close</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="109"/>
        <source>Quit the application; prompts to save documents
Exit</source>
        <translation>Quit the application; prompts to save documents
Exit</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="110"/>
        <source>Exit</source>
        <comment>menu without a connection</comment>
        <translation>Exit</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="112"/>
        <source>Exit</source>
        <comment>menu with a connection</comment>
        <translation>Exit</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="116"/>
        <location filename="../../shell/main_frame.cpp" line="319"/>
        <source>PC Window</source>
        <translation>PC Window</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="116"/>
        <source>Show or hide the pc window</source>
        <translation>Show or hide the pc window</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="121"/>
        <source>Message Window</source>
        <translation>Message Window</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="121"/>
        <source>Show or hide the message window</source>
        <translation>Show or hide the message window</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="125"/>
        <location filename="../../shell/main_frame.cpp" line="282"/>
        <source>Toolbar</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="126"/>
        <source>Show or hide the toolbar
Toggle ToolBar</source>
        <translation>Show or hide the toolbar
Toggle ToolBar</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="128"/>
        <source>Status Bar</source>
        <translation>Status Bar</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="129"/>
        <source>Show or hide the status bar
Toggle StatusBar</source>
        <translation>Show or hide the status bar
Toggle StatusBar</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="135"/>
        <source>About KVVidiRidoved...</source>
        <translation>About KVVidiRidoved...</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="136"/>
        <source>Display program information, version number and copyright
About</source>
        <translation>Display program information, version number and copyright
About</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="140"/>
        <source>Cut</source>
        <translation>Cut</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="140"/>
        <source>Cut the selection file and put it on the Clipboard
Cut</source>
        <translation>Cut the selection file and put it on the Clipboard
Cut</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="142"/>
        <source>Copy</source>
        <translation>Copy</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="143"/>
        <source>Copy the selection file and put it on the Clipboard
Copy</source>
        <translation>Copy the selection file and put it on the Clipboard
Copy</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="145"/>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="145"/>
        <source>Delete the selection file
Delete</source>
        <translation>Delete the selection file
Delete</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="147"/>
        <source>Paste</source>
        <translation>Paste</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="147"/>
        <source>Insert Clipboard contents
Paste</source>
        <translation>Insert Clipboard contents
Paste</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="149"/>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="149"/>
        <source>Format Disc</source>
        <translation>Format Disc</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="151"/>
        <source>Property</source>
        <translation>Property</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="152"/>
        <source>Display the properties of the selected items.</source>
        <translation>Display the properties of the selected items.</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="155"/>
        <source>Communicate</source>
        <translation>Communicate</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="155"/>
        <source>Setup the communication port.
Communication</source>
        <translation>Setup the communication port.
Communication</translation>
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
        <translation>Setting the DBMS file convert.
File Convert Setting</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="170"/>
        <source>Set Time</source>
        <translation>Set Time</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="170"/>
        <source>Change the time on teminal.</source>
        <translation>Change the time on teminal.</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="171"/>
        <source>Clock Synchronization</source>
        <translation>Clock Synchronization</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="172"/>
        <source>Auto synchronization PDT Clock</source>
        <translation>Auto synchronization PDT Clock</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="175"/>
        <source>Get Information</source>
        <translation>Get Information</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="176"/>
        <source>Get Terminal Information.
Information</source>
        <translation>Get Terminal Information.
Information</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="177"/>
        <source>Application download</source>
        <translation>Application download</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="178"/>
        <source>Download terminal application</source>
        <translation>Download terminal application</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="179"/>
        <source>Batch download</source>
        <translation>Batch download</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="179"/>
        <source>Download batch build file</source>
        <translation>Download batch build file</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="180"/>
        <source>Cascade</source>
        <translation>Cascade</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="181"/>
        <source>Arrange windows so they overlap
Cascade Windows</source>
        <translation>Arrange windows so they overlap
Cascade Windows</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="183"/>
        <source>Tile Horizontally</source>
        <translation>Tile Horizontally</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="184"/>
        <source>Arrange windows as horizontal, non-overlapping tiles
Tile Windows</source>
        <translation>Arrange windows as horizontal, non-overlapping tiles
Tile Windows</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="186"/>
        <source>Tile Vertically</source>
        <translation>Tile Vertically</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="187"/>
        <source>Arrange windows as vertical, non-overlapping tiles
Tile Windows</source>
        <translation>Arrange windows as vertical, non-overlapping tiles
Tile Windows</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="211"/>
        <location filename="../../shell/main_frame.cpp" line="221"/>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="215"/>
        <location filename="../../shell/main_frame.cpp" line="241"/>
        <source>View</source>
        <translation>View</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="217"/>
        <location filename="../../shell/main_frame.cpp" line="247"/>
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="226"/>
        <source>Setup</source>
        <translation>Setup</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="228"/>
        <source>Convert mode</source>
        <translation>Convert mode</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="233"/>
        <source>Tool</source>
        <translation>Tool</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="243"/>
        <source>Window</source>
        <translation>Window</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="255"/>
        <source>Delete</source>
        <comment>context menu</comment>
        <translation>Delete</translation>
    </message>
    <message>
        <location filename="../../shell/main_frame.cpp" line="310"/>
        <source>Ready</source>
        <translation>Ready</translation>
    </message>
</context>
<context>
    <name>ConnectSetupDialog</name>
    <message>
        <location filename="../../connection/connect_setup_dialog.cpp" line="18"/>
        <source>Connect Setup</source>
        <translation>Connect Setup</translation>
    </message>
    <message>
        <location filename="../../connection/connect_setup_dialog.cpp" line="24"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../../connection/connect_setup_dialog.cpp" line="25"/>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location filename="../../connection/connect_setup_dialog.cpp" line="33"/>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <location filename="../../connection/connect_setup_dialog.cpp" line="34"/>
        <source>Baud rate:</source>
        <translation>Baud rate:</translation>
    </message>
</context>
<context>
    <name>ConvertSettingDialog</name>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="64"/>
        <source>DBMS File Convert</source>
        <translation>DBMS File Convert</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="69"/>
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="70"/>
        <source>Converted</source>
        <translation>Converted</translation>
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
        <translation>Cancel</translation>
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
        <translation>Field Count:</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="134"/>
        <source>Delimiter:</source>
        <translation>Delimiter:</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="205"/>
        <source>Please enter an integer.</source>
        <translation>Please enter an integer.</translation>
    </message>
    <message>
        <location filename="../../convert/convert_setting_dialog.cpp" line="211"/>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>Please enter an integer between %1 and %2.</translation>
    </message>
</context>
<context>
    <name>MessageWindow</name>
    <message>
        <location filename="../../shell/message_window.cpp" line="16"/>
        <source>Message Window</source>
        <translation>Message Window</translation>
    </message>
</context>
<context>
    <name>CPCFileTree</name>
    <message>
        <source>The terminal stores names of up to 8 letters and a 3-letter extension; this file cannot be sent.</source>
        <translation>The terminal stores names of up to 8 letters and a 3-letter extension; this file cannot be sent.</translation>
    </message>
</context>
<context>
    <name>ProgressDialog</name>
    <message>
        <location filename="../../pc/progress_dialog.cpp" line="32"/>
        <source>Process</source>
        <translation>Process</translation>
    </message>
    <message>
        <location filename="../../pc/progress_dialog.cpp" line="60"/>
        <source>Total Files:</source>
        <translation>Total Files:</translation>
    </message>
    <message>
        <location filename="../../pc/progress_dialog.cpp" line="61"/>
        <source>Finish Files:</source>
        <translation>Finish Files:</translation>
    </message>
    <message>
        <location filename="../../pc/progress_dialog.cpp" line="67"/>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>PropertiesDialog</name>
    <message>
        <location filename="../../pc/properties_dialog.cpp" line="37"/>
        <source>Location:</source>
        <translation>Location:</translation>
    </message>
    <message>
        <location filename="../../pc/properties_dialog.cpp" line="38"/>
        <source>Size:</source>
        <translation>Size:</translation>
    </message>
    <message>
        <location filename="../../pc/properties_dialog.cpp" line="38"/>
        <source>Date:</source>
        <translation>Date:</translation>
    </message>
    <message>
        <location filename="../../pc/properties_dialog.cpp" line="44"/>
        <source>Properties</source>
        <translation>Properties</translation>
    </message>
    <message>
        <location filename="../../pc/properties_dialog.cpp" line="50"/>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <location filename="../../pc/properties_dialog.cpp" line="52"/>
        <source>Type:</source>
        <translation>Type:</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>kvvidiridoved: no private folder for the single-instance socket (XDG_RUNTIME_DIR, the temporary folder, ~/.cache); this program runs without it, so a second start or --post will not reach it</source>
        <translation>kvvidiridoved: no private folder for the single-instance socket (XDG_RUNTIME_DIR, the temporary folder, ~/.cache); this program runs without it, so a second start or --post will not reach it</translation>
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
        <translation>Usage: kvvidiridoved [OPTION]... [MODE]
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
</translation>
    </message>
</context>
<context>
    <name>TerminalInfoDialog</name>
    <message>
        <source>Terminal Information</source>
        <translation>Terminal Information</translation>
    </message>
    <message>
        <source>Model:</source>
        <translation>Model:</translation>
    </message>
    <message>
        <source>F/W Version</source>
        <translation>F/W Version</translation>
    </message>
    <message>
        <source>Serial Number:</source>
        <translation>Serial Number:</translation>
    </message>
    <message>
        <source>Equipment ID</source>
        <translation>Equipment ID</translation>
    </message>
</context>
<context>
    <name>TerminalTimeDialog</name>
    <message>
        <source>Setup Terminal Time</source>
        <translation>Setup Terminal Time</translation>
    </message>
    <message>
        <source>Synchronize with PC</source>
        <translation>Synchronize with PC</translation>
    </message>
    <message>
        <source>None Synchronize</source>
        <translation>None Synchronize</translation>
    </message>
    <message>
        <source>Set Time</source>
        <translation>Set Time</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Date &amp;&amp; Time:</source>
        <translation>Date &amp;&amp; Time:</translation>
    </message>
</context>
<context>
    <name>ApplicationDownloadJob</name>
    <message>
        <source>Application download complete</source>
        <translation>Application download complete</translation>
    </message>
</context>
<context>
    <name>CTerminalView</name>
    <message>
        <source>Click the terminal folder to collect first (C:\DATA, for example).</source>
        <translation>Click the terminal folder to collect first (C:\DATA, for example).</translation>
    </message>
    <message>
        <source>Collect %1 into</source>
        <translation>Collect %1 into</translation>
    </message>
    <message>
        <source>Delete each file of %1 on the terminal once its copy is verified?</source>
        <translation>Delete each file of %1 on the terminal once its copy is verified?</translation>
    </message>
    <message>
        <source>Collect %1 failed (status %2)</source>
        <translation>Collect %1 failed (status %2)</translation>
    </message>
    <message>
        <source>Collect %1 into %2: %3 of %4 files collected, %5 deleted on the terminal</source>
        <translation>Collect %1 into %2: %3 of %4 files collected, %5 deleted on the terminal</translation>
    </message>
    <message>
        <source>Collect %1 into %2: %3 of %4 files collected</source>
        <translation>Collect %1 into %2: %3 of %4 files collected</translation>
    </message>
    <message>
        <source>Automatic transmission from %1: %2 of %3 files sent</source>
        <translation>Automatic transmission from %1: %2 of %3 files sent</translation>
    </message>
    <message>
        <source>Application Files (*.bin)</source>
        <translation>Application Files (*.bin)</translation>
    </message>
    <message>
        <source>Batch Build Files (*.cmb)</source>
        <translation>Batch Build Files (*.cmb)</translation>
    </message>
    <message>
        <source>%1: record %2 is damaged; it and the records after it were not sent</source>
        <translation>%1: record %2 is damaged; it and the records after it were not sent</translation>
    </message>
    <message>
        <source>%1: %2 of %3 records sent</source>
        <translation>%1: %2 of %3 records sent</translation>
    </message>
    <message>
        <source>Batch build file download incomplete: %1 of %2 records sent. The message window names the others.</source>
        <translation>Batch build file download incomplete: %1 of %2 records sent. The message window names the others.</translation>
    </message>
    <message>
        <source>Automatic application install of %1: %2</source>
        <translation>Automatic application install of %1: %2</translation>
    </message>
    <message>
        <source>The connection on %1 is closed: its port cannot be opened again</source>
        <translation>The connection on %1 is closed: its port cannot be opened again</translation>
    </message>
    <message>
        <source>The connection stays on %1</source>
        <translation>The connection stays on %1</translation>
    </message>
</context>
<context>
    <name>CTerminalFileTree</name>
    <message>
        <source>Listing %1 failed: the line to the terminal is gone</source>
        <translation>Listing %1 failed: the line to the terminal is gone</translation>
    </message>
    <message>
        <source>listing...</source>
        <translation>listing...</translation>
    </message>
    <message>
        <source>Listing %1 failed: the terminal does not answer</source>
        <translation>Listing %1 failed: the terminal does not answer</translation>
    </message>
    <message>
        <source>Listing %1 failed (status %2)</source>
        <translation>Listing %1 failed (status %2)</translation>
    </message>
    <message>
        <source>Format disk %1 of %2? Every file on it is lost.</source>
        <translation>Format disk %1 of %2? Every file on it is lost.</translation>
    </message>
</context>
</TS>
