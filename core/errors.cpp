#include "core/errors.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "core/host.h"
#include "core/interp.h"
#include "core/shutdown.h"

namespace tolven {

ErrorState errors;

namespace {

struct Message {
    int number;
    const char* text;
};

// The numbered messages, Latin-1, sorted by number.
constexpr Message kMessages[] = {
    {100, "Systemvariable unbekannt: "},
    {101, "Funktion unbekannt: "},
    {102, "Befehl unbekannt: "},
    {103, "Integer-Variable erwartet!"},
    {104, "Dateikennung erwartet!"},
    {105, "Tabellenkennung erwartet!"},
    {106, "ENDIF bzw. ELSE nicht gefunden!"},
    {107, "ENDIF nicht gefunden!"},
    {108, "Zu tiefe WHILE-Verschachtelung!"},
    {109, "ENDWHILE bzw. WEND nicht gefunden!"},
    {110, "WHILE, WHILELOOP oder WHILENOT fehlt!"},
    {111, "GOSUB/PROC fehlt!"},
    {112, "PROC fehlt!"},
    {113, "Label nicht gefunden: "},
    {114, "Zu tiefe GOSUB/PROC-Verschachtelung!"},
    {115, "ENDPROC nicht gefunden!"},
    {116, "\"DIM%\" darf nur einmal verwandt werden!"},
    {117, "\"DIM&\" darf nur einmal verwandt werden!"},
    {118, "\"DIM$\" darf nur einmal verwandt werden!"},
    {119, "\"DIM!\" darf nur einmal verwandt werden!"},
    {120, "STARTPRINT fehlt!"},
    {121, "Bereichs-Variable erwartet!"},
    {122, "Variablenbezeichner fehlerhaft: "},
    {123, "Variablenname zu lang: "},
    {124, "STARTPAINT fehlt!"},
    {125, "SUBPOPUP fehlt!"},
    {126, "IF oder IFNOT fehlt!"},
    {127, "Befehl hinter CASE fehlt!"},
    {128, "Strukturbezeichner erwartet!"},
    {129, "Strukturbezeichner fehlerhaft: "},
    {130, "Strukturbezeichner zu lang: "},
    {131, "Variablenbezeichner erwartet!"},
    {132, "WITH-Verschachtelung nicht erlaubt!"},
    {133, "WITH fehlt!"},
    {134, "16-Bit DLLs werden von TOLVEN nicht mehr unterst\xFCtzt!"},
    {200, "Ung\xFCltiger Funktionswert!"},
    {201, "Division durch 0!"},
    {202, "Falscher Typ f\xFCr @DTOC$ !"},
    {203, "Falscher Typ f\xFCr @CTOD$ !"},
    {204, "String-Index ist < 1 !"},
    {205, "Substring-Nr ist < 1 !"},
    {206, "So viele Elemente sind nicht da!"},
    {207, "Bereichsgrenze \xFC""berschritten: "},
    {208, "Kommandozeilenparameter fehlt!"},
    {209, "Datei nicht gefunden: "},
    {210, "Dateinummer nicht im erlaubten Bereich!"},
    {211, "Parameterzahl mu\xDF zwischen 0 und 15 liegen!"},
    {212, "Zu wenig Parameter!"},
    {213, "Funktionsargument fehlt!"},
    {214, "Keine Zahl: "},
    {215, "Variable nicht declariert: "},
    {216, "Falscher Parametertyp: "},
    {217, "Speicher f\xFCr Integer-Variablen ersch\xF6pft!"},
    {218, "Speicher f\xFCr LongInt-Variablen ersch\xF6pft!"},
    {219, "Speicher f\xFCr String-Variablen ersch\xF6pft!"},
    {220, "Speicher f\xFCr Float-Variablen ersch\xF6pft!"},
    {221, "W\xE4hrend der Druckausgabe verboten: "},
    {222, "Box nicht innerhalb des Fensters!"},
    {223, "Negative Fenstergr\xF6\xDF""e!"},
    {224, "ICON nicht vorhanden: "},
    {225, "ICON nicht vorhanden! (Nur 0..4)"},
    {226, "Fehler bei der Men\xFC""erstellung!"},
    {227, "Zu tiefe Men\xFCverschachtelung!"},
    {228, "Bitmap nicht ladbar: "},
    {229, "Bitmap konnte nicht gespeichert werden: "},
    {230, "Cursor nicht vorhanden! (Nur 0..11)"},
    {231, "Es sind lediglich 0 bis 32766 Elemente erlaubt!"},
    {232, "Zu viele Elemente!"},
    {233, "Das Element gibt es nicht!"},
    {234, "Fehler bei der Tonerzeugung!"},
    {235, "Drucken ist nicht m\xF6glich!"},
    {236, "Fehler bei der HardCopy!"},
    {237, "Der Befehl setzt ein Fenster vorraus!"},
    {238, "Stringende fehlt!"},
    {239, "Speicher f\xFCr Bereichs-Variablen ersch\xF6pft!"},
    {240, "Zu wenig Speicher f\xFCr Bereichs-Variable!"},
    {241, "Bereichsvariable ist bereits DIMensioniert!"},
    {242, "Ung\xFCltiges Fenster-Handle!"},
    {243, "Bereichsvariable ist nicht DIMensioniert!"},
    {244, "Der Text pa\xDFt nicht komplett in die Bereichsvariable!"},
    {245, "Die Parameterzahl unterscheidet sich von der Parameterbeschreibung!"},
    {246, "Ung\xFCltiger Typ in der Parameterbeschreibung!"},
    {247, "Fehler beim Laden der DLL: "},
    {248, "Funktion in DLL nicht vohanden: "},
    {249, "Zwischen STARTPAINT/ENDPAINT verboten: "},
    {250, "SETTIMER fehlt!"},
    {251, "Der TIMER ist schon eingestellt!"},
    {252, "Men\xFC ist nicht ladbar: "},
    {253, "Speicher f\xFCr Array-Variablen ersch\xF6pft!"},
    {254, "Maximal drei Dimensionen erlaubt!"},
    {255, "Klammern nicht ausgewogen: "},
    {256, "Zu viele Strukturvariablen: "},
    {257, "Fehler in Strukturdefinition: "},
    {258, "Zu viele Strukturen: "},
    {259, "Struktur nicht definiert: "},
    {260, "Definition im Header fehlt: "},
    {261, "Unbekanntes Objekt: "},
    {262, "Unbekannter Schalter: "},
    {263, "Unbekannte Methode: "},
    {264, "Ung\xFCltige WHILELOOP-Parameter!"},
    {300, "Datei kann nicht gelesen werden: "},
    {301, "Datei kann nicht erzeugt werden: "},
    {302, "Fehler beim Lesen: "},
    {303, "Fehler beim Schreiben: "},
    {304, "TOLV16.EXE nicht ausf\xFChrbar oder fehlt!"},
    {305, "REGISTRY: "},
    {306, "Datei nicht gefunden: "},
    {500, "ODBC ist nicht initialisiert!"},
    {501, "Fehler bei der ODBC-Initialisierung!"},
    {502, "ODBC32.DLL nicht gefunden!"},
    {503, "ODBC-Fehler"},
    {504, " S\xE4tze bearbeitet!"},
    {505, "Operation erfolgreich!"},
    {506, "Ergebnisdatei kann nicht ge\xF6""ffnet werden!"},
    {507, "Zu gro\xDF""e Ergebnismenge!"},
    {600, "dB-Fehler: "},
    {601, "Datei nicht gefunden: "},
    {602, "Doppelter Feldname"},
    {603, "Ung\xFCltige Feldl\xE4nge"},
    {604, "Ung\xFCltige Dezimalstellen"},
    {605, "Index-Datei nicht in Ordnung"},
    {606, "Feld nicht gefunden"},
    {607, "Dateiname fehlerhaft: "},
    {608, "Schl\xFCsselfeld nicht in Ordnung"},
    {609, "Tabellennummer nicht im erlaubten Bereich!"},
    {610, "Tabellennummer noch nicht vergeben!"},
    {611, "Formel nicht in Ordnung"},
    {612, "Feld beim Lesen nicht gefunden"},
    {613, "Feldnummer beim Lesen nicht gefunden"},
    {614, "Feld zum Schreiben nicht gefunden"},
    {615, "Feldnummer zum Schreiben nicht gefunden"},
    {616, "Index-Dateiname fehlerhaft: "},
    {617, "Ung\xFCltige Eingabe: "},
    {800, "Datei laden:"},
    {801, "Zeile "},
    {802, "Aufruf mit: \x0D\x0ATOLVEN [<Dateiname>]"},
    {803, "Aufruf mit: \x0D\x0ATOLVRUN [<Dateiname>]"},
    {804, "Aufruf mit: \x0D\x0ATOLVCOMP [<Dateiname>]"},
    {805, "Hinweis:"},
    {901, "Zu viele Programm-Zeilen!"},
    {902, "Zeile zu lang (max. 32767 Zeichen)!"},
    {903, "INCLUDE-Datei nicht gefunden!"},
    {904, "INCLUDE-Verschachtelung verboten!"},
    {905, "Keine TOLVEN\xB2 Datei!"},
    {906, "Programmdatei fehlerhaft!"},
    {907, "Compiliere Zeile"},
    {908, "Programm:"},
    {913, "HEADER-Datei nicht gefunden!"},
    {914, "HEADER-Verschachtelung verboten!"},
    {999, "Programm abgebrochen!"},
};

constexpr const char* kUnexpected = "UNERWARTETER FEHLER!";
constexpr const char* kLoaderCaption = "T O L V E N \xB2";

std::string line_number_text() { return std::to_string(interp.current_line); }

void debugger_report(const char* kind, std::string_view message, int number) {
    if (errors.debug_mode <= 0) return;
    std::string s = "debug";
    s += kind;
    s += "*RUNTIME*";
    s += line_number_text();
    s += '*';
    s += message;
    s += '*';
    s += std::to_string(number);
    host().debug_output(s);
}

std::string compose(int number, std::string_view text) {
    std::string m(message_text(number));
    m += text;
    return m;
}

void report_error(int number, std::string_view message) {
    host().show_cursor();
    errors.last_report_kind = 2;
    if (errors.error_mode == -1) return;
    debugger_report("FEHLER", message, number);
    std::string box = std::string(message_text(801)) + line_number_text() + "!";
    host().message_box(box, message, mb::kOk | mb::kIconError, true);
    if (shutdown_in_progress()) return;
    shutdown_and_exit(2);
}

}  // namespace

std::string_view message_text(int number) {
    auto it = std::lower_bound(std::begin(kMessages), std::end(kMessages), number,
                               [](const Message& m, int n) { return m.number < n; });
    if (it != std::end(kMessages) && it->number == number) return it->text;
    return kUnexpected;
}

void raise_error(int number, std::string_view text) {
    errors.last_error_number = number;
    report_error(number, compose(number, text));
}

void raise_warning(int number, std::string_view text) {
    errors.last_error_number = number;
    errors.last_report_kind = 1;
    std::string message = compose(number, text);
    if (errors.error_mode == 2) {
        report_error(number, message);
        return;
    }
    if (errors.error_mode != 1) return;
    debugger_report("WARNUNG", message, number);
    std::string box = std::string(message_text(801)) + line_number_text() + "!";
    int answer = host().message_box(box, message, mb::kOkCancel | mb::kIconWarning, true);
    if (answer == mb::kIdCancel) {
        raise_error(999);
        return;
    }
    host().refresh_main_window();
}

void raise_notice(int number, std::string_view text) {
    errors.last_report_kind = 1;
    std::string message = compose(number, text);
    if (errors.error_mode == 2) {
        report_error(number, message);
    } else if (errors.error_mode == 1) {
        host().message_box(message, message_text(805), mb::kOk | mb::kIconWarning, true);
        host().refresh_main_window();
    }
    errors.last_error_number = number;
}

void loading_failure(int number, std::string_view text, int exit_code) {
    host().message_box(compose(number, text), kLoaderCaption, mb::kOk | mb::kIconError, false);
    host().end_process(exit_code);
    std::abort();  // hosts never return from end_process
}

}  // namespace tolven
