// Every message of the library, each once, exactly as the users see it.
// A leaf that includes nothing: the block object shows some of these in
// its message boxes, the layers above set the rest as the last error.
#pragma once

namespace karvo::msg {

// Result codes of the request cycle.
inline constexpr char16_t kError[] = u"Error !";
inline constexpr char16_t kNoService[] = u"Nie wykryto usługi API!";
inline constexpr char16_t kException[] = u"Wystąpił wyjątek!";
inline constexpr char16_t kUnexpectedReply[] = u"Nieoczekiwana odpowiedź z API!";
inline constexpr char16_t kNoReply[] = u"Usługa API nie odpowiada - przekroczenie czasu oczekiwania!";
inline constexpr char16_t kBlockBusy[] = u"Usługa API zablokowana - przekroczenie czasu oczekiwania!";
inline constexpr char16_t kUnknownError[] = u"Nieznany błąd!";

// The shared-memory block.
inline constexpr char16_t kHostMappingFailed[] = u"Bląd mapowania pamięci dla mechanizmu wtyczek!";
// The host drew only names that someone else had taken first.
inline constexpr char16_t kHostNamesTaken[] =
    u"Nie można utworzyć bloku pamięci dla mechanizmu wtyczek: wszystkie wylosowane nazwy są zajęte!";
inline constexpr char16_t kDllMappingFailed[] = u"Bląd mapowania pamięci z KARVO.DLL dla mechanizmu wtyczek!";
inline constexpr char16_t kSqlTooLong[] = u"Za długie polecenie SQL!";
inline constexpr char16_t kDataTooLong[] = u"Kopiowane dane mają za duży rozmiar!";

// Opening the API.
inline constexpr char16_t kAlreadyInitialized[] = u"Mechanizm API był już zainicjalizowany!";
inline constexpr char16_t kInitFailed[] = u"Błąd inicjalizacji API!";

// SQL, result sets and their export.
inline constexpr char16_t kSysDatabaseLocked[] = u"Operacje na bazie systemowej są zablowkowane!";
inline constexpr char16_t kNilDataSource[] = u"Niepoprawne źródło danych (aDSHandle = nil)!";
inline constexpr char16_t kBadDataSource[] = u"Niepoprawne źródło danych!";
inline constexpr char16_t kQueryNotOpen[] = u"Próba odczytu z nieotwartego Query (DSHandle = 0) !";
inline constexpr char16_t kBadDSHandle[] = u"Nieprawidłowy uchwyt DSHandle!";
inline constexpr char16_t kStartBeyondRows[] = u"Pozycja początkowa jest większa niż ilość wierszy!";
inline constexpr char16_t kFewerRowsThanWanted[] =
    u"Ilość wierszy do odczytania jest większa niż faktyczna ilość wierszy!";
inline constexpr char16_t kNoImplement[] = u"NoImplement";

// Call documents.
inline constexpr char16_t kNoVariable[] = u"Brak zmiennej : ";
inline constexpr char16_t kTypeConversion[] = u"Błąd konwersji typu : ";
inline constexpr char16_t kNoProcedureOrWindow[] = u"Niepoprawne parametry wejściowe - brak procedury lub okna";

// Delimited fields ("Nie można ustawić pola nr: 7 !").
inline constexpr char16_t kCannotSetFieldPrefix[] = u"Nie można ustawić pola nr: ";
inline constexpr char16_t kCannotSetFieldSuffix[] = u" !";

// Object properties ("Brak właściwości o nazwie: 'Caption' !!").
inline constexpr char16_t kNoPropertyPrefix[] = u"Brak właściwości o nazwie: '";
inline constexpr char16_t kNameSuffix[] = u"' !!";
inline constexpr char16_t kPropertyListFailed[] = u"Błąd odczytu listy właściwości objektu!";
inline constexpr char16_t kPropertyReadFailed[] = u"Błąd odczytu właściwości objektu!";
inline constexpr char16_t kPropertyChangeFailed[] = u"Błąd przy zmianie właściwości objektu!";
inline constexpr char16_t kPropertyStrReadFailed[] = u"Błąd odczytu właściwości objektu!!";
inline constexpr char16_t kPropertyStrWriteFailed[] = u"Błąd zapisu właściwości objektu!!";
inline constexpr char16_t kPropertyUnexpected[] = u"Nieoczekiwany błąd podczas odczytu właściwości objektu!!";

// Controls and containers ("Błąd odczytu kontrolki o nazwie 'Edit1' !!").
inline constexpr char16_t kControlsListFailed[] = u"Błąd odczytu listy kontrolek!";
inline constexpr char16_t kControlReadPrefix[] = u"Błąd odczytu kontrolki o nazwie '";

// Menus, resources, actions and methods.
inline constexpr char16_t kFirstNotMenu[] = u"Pierwszy parametr nie jest typu TPupupMenu, TMainMenu lub TMenuItem!";
inline constexpr char16_t kSecondNotMenuItem[] = u"Drugi parametr nie jest typu TMenuItem !";
inline constexpr char16_t kMenuAppendFailed[] = u"Błąd przy dodawaniu do menu !";
inline constexpr char16_t kOnlyBitmaps[] = u"W tej wersji obsługiwane są tylko bitmapy!";
inline constexpr char16_t kResourceLoadFailed[] = u"Błąd wczytywania zasobów!";
inline constexpr char16_t kActionFailed[] = u"Błąd wywołania akcji !";
inline constexpr char16_t kMethodFailed[] = u"Błąd wywołania metody !";
inline constexpr char16_t kMethodNotFound[] = u"Błąd nie znaleziono metody !";

// Scripts.
inline constexpr char16_t kScriptCreateFailed[] = u"Błąd tworzenia skryptu !";
inline constexpr char16_t kScriptAddVariantFailed[] = u"Błąd dodawania zmiennej";
inline constexpr char16_t kScriptAddFunctionFailed[] = u"Błąd dodawania funkcji";
inline constexpr char16_t kScriptGetVariantFailed[] = u"Błąd pobierania wartości zmiennej !";
inline constexpr char16_t kScriptSetVariantFailed[] = u"Błąd ustawiania zmiennej";
inline constexpr char16_t kScriptFreeFailed[] = u"Błąd zwalniania skryptu";

}  // namespace karvo::msg
