#include "values/area.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "app/modules.h"
#include "core/errors.h"
#include "tests/unit/support/runtime_fixture.h"
#include "values/low_memory.h"
#include "values/store.h"
#include "values/structures.h"

namespace tolven::testing {
namespace {

class Areas : public RuntimeTest {
protected:
    int run_fresh(std::initializer_list<std::string> lines) {
        install_portable_modules();
        reset_runtime();
        reset_interpreter();
        reset_shutdown_steps();
        errors = ErrorState{};
        rec.boxes.clear();
        load_listing(lines);
        return run();
    }
    std::string failure() const { return rec.boxes.empty() ? "<none>" : rec.boxes.back().caption; }
    AreaVar& area(const char* name) {
        static AreaVar none;
        AreaVar* a = find_area(std::string_view(name));
        EXPECT_NE(a, nullptr) << name;
        return a ? *a : none;
    }
    const uint8_t* bytes(const char* name) { return area_pointer(area(name).data); }
    int32_t integer(const char* name) { return *find_integer(std::string_view(name)); }
    int32_t long_value(const char* name) { return *find_long(std::string_view(name)); }
    std::string text(const char* name) { return std::string(*find_string(std::string_view(name))); }
};

TEST_F(Areas, StructureFieldsFollowEachOtherWithoutAlignment) {
    ASSERT_EQ(run_fresh({"STRUCT point = x%, y&, name$(4), raw#(3), tail%"}), 0);
    const int32_t s = find_structure("POINT");
    ASSERT_GE(s, 0);
    EXPECT_EQ(structure_at(s)->size, 2 + 4 + 5 + 3 + 2);
    struct Want {
        const char* name;
        char kind;
        int32_t size, offset;
    };
    for (const Want& w : {Want{"X%", '%', 2, 0}, Want{"Y&", '&', 4, 2}, Want{"NAME$", '$', 5, 6},
                          Want{"RAW#", '#', 3, 11}, Want{"TAIL%", '%', 2, 14}}) {
        const StructField* f = find_field(s, w.name);
        ASSERT_NE(f, nullptr) << w.name;
        EXPECT_EQ(f->kind, w.kind);
        EXPECT_EQ(f->size, w.size) << w.name;
        EXPECT_EQ(f->offset, w.offset) << w.name;
    }
    EXPECT_EQ(find_field(s, "X"), nullptr);

    // A second definition of a name hides the first; DIM takes the newest.
    ASSERT_EQ(run_fresh({"STRUCT P=a%", "STRUCT p=a&,b&", "DECLARE v#", "DIM v#,P"}), 0);
    EXPECT_EQ(area("v#").size, 8);
}

TEST_F(Areas, StructureErrors) {
    struct Case {
        const char* text;
        const char* message;
    };
    for (const Case& c : {
             Case{"P", "Strukturbezeichner erwartet!"},
             Case{"P%=a%", "Strukturbezeichner fehlerhaft: P%"},
             Case{"A B=a%", "Strukturbezeichner fehlerhaft: A B"},
             Case{"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456=a%", "Strukturbezeichner zu lang: ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456"},
             Case{"P= ", "Variablenbezeichner erwartet!"},
             Case{"P=a%,b!", "Variablenbezeichner fehlerhaft: B!"},
             Case{"P=a b%", "Variablenbezeichner fehlerhaft: A B%"},
             Case{"P=abcdefghijklmnopqrstuvwxyz0123456%", "Variablenname zu lang: ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456%"},
             Case{"P=s$", "Fehler in Strukturdefinition: S$"},
             Case{"P=s$(0)", "Fehler in Strukturdefinition: S$(0)"},
             Case{"P=n%(2)", "Fehler in Strukturdefinition: N%(2)"},
             Case{"P=b#()", "Fehler in Strukturdefinition: B#()"},
             Case{"P=b#(2000000000),c#(2000000000)", "Fehler in Strukturdefinition: C#(2000000000)"},
         }) {
        EXPECT_EQ(run_fresh({"STRUCT " + std::string(c.text)}), 2) << c.text;
        EXPECT_EQ(failure(), c.message) << c.text;
        EXPECT_EQ(structure_count(), 0) << "a failed STRUCT defines nothing: " << c.text;
    }
}

TEST_F(Areas, TooManyStructuresAndFields) {
    // Ten structures of 999 fields each: one line holding all of them would
    // be longer than a program line may be.
    std::string program_text;
    for (int s = 0; s < 10; ++s) {
        program_text += "STRUCT P" + std::to_string(s) + "=";
        for (int k = 0; k < 999; ++k) program_text += (k ? ",f" : "f") + std::to_string(k) + "%";
        program_text += "\n";
    }
    ASSERT_EQ(run_fresh({program_text + "STRUCT Q=x%"}), 2);
    EXPECT_EQ(failure(), "Zu viele Strukturvariablen: X%");
    EXPECT_EQ(struct_field_count(), 9990);

    reset_structures();
    for (int k = 0; k < 999; ++k) {
        std::string e;
        ASSERT_EQ(define_structure("S" + std::to_string(k) + "=a%", e), 0);
    }
    std::string e;
    EXPECT_EQ(define_structure("LAST=a%", e), 258);
    EXPECT_EQ(e, "LAST");
}

TEST_F(Areas, DimAndDispose) {
    ASSERT_EQ(run_fresh({"DECLARE a#,b#", "DIM a#,10", "~DIM b#, 3*2"}), 0);
    const AreaVar& a = area("A#");
    EXPECT_NE(a.data, 0u);
    EXPECT_LE(a.data, 0x7FFFFFFFu);
    EXPECT_EQ(a.size, 10);
    EXPECT_EQ(a.structure, -1);
    EXPECT_GE(low_block_size(a.data), 11u);  // size + 1 bytes
    EXPECT_TRUE(memory_writable(a.data, 11));
    EXPECT_EQ(area("b#").size, 6);

    EXPECT_EQ(run_fresh({"DECLARE a#", "DIM a#,10", "DIM a#,4"}), 2);
    EXPECT_EQ(failure(), "Bereichsvariable ist bereits DIMensioniert!");
    EXPECT_EQ(area("A#").size, 10);

    ASSERT_EQ(run_fresh({"DECLARE a#", "DIM a#,10", "DISPOSE a#", "DIM a#,20"}), 0);
    EXPECT_EQ(area("A#").size, 20);
    ASSERT_EQ(run_fresh({"DECLARE a#", "DIM a#,10", "DISPOSE a#"}), 0);
    EXPECT_EQ(area("A#").data, 0u);
    EXPECT_EQ(area("A#").allocation, nullptr);
    EXPECT_EQ(area("A#").size, 0);

    // An empty size takes what the long slot holds.
    ASSERT_EQ(run_fresh({"DECLARE a#,n&", "LET n&=7", "DIM a#,"}), 0);
    EXPECT_EQ(area("A#").size, 7);

    struct Case {
        std::string line;
        const char* message;
    };
    for (const Case& c : {
             Case{"DIM a#", "Variable nicht declariert: A#"},
             Case{"DIM a%,4", "Bereichs-Variable erwartet!"},
             Case{"DIM zz#,4", "Variable nicht declariert: ZZ#"},
             Case{"DIM a#,-5", "Zu wenig Speicher f\xFC" "r Bereichs-Variable!"},
             Case{"DIM a#,2147483647", "Zu wenig Speicher f\xFC" "r Bereichs-Variable!"},
             Case{"DISPOSE a%", "Bereichs-Variable erwartet!A%"},
             Case{"DISPOSE zz#", "Variable nicht declariert: "},
         }) {
        EXPECT_EQ(run_fresh({"DECLARE a#", c.line}), 2) << c.line;
        EXPECT_EQ(failure(), c.message) << c.line;
    }
    EXPECT_EQ(area("A#").data, 0u);  // the failed allocation left the entry reset
}

TEST_F(Areas, WritesIntoAnAreaAndTheirBounds) {
    ASSERT_EQ(run_fresh({"DECLARE a#", "DIM a#,16", "POKEB a#,0=65", "POKEB a#,1=-1", "POKEW a#,2=-2",
                         "POKEL a#,4=305419896", "POKEZ a#,8=\"xyz\"", "POKES a#,12=\"AB\"",
                         "~POKEL a#,16-3=1+1"}),
              0);
    const uint8_t want[] = {65, 0xFF, 0xFE, 0xFF, 0x78, 0x56, 0x34, 0x12, 'x', 'y', 'z', 0, 'A', 'B', 0, 0, 0};
    const uint8_t* p = bytes("A#");
    EXPECT_EQ(std::memcmp(p, want, 13), 0);
    EXPECT_EQ(p[13], 2);  // the long at size-3 fits
    EXPECT_EQ(p[16], 0);

    struct Case {
        std::string line;
        const char* message;
    };
    for (const Case& c : {
             Case{"POKEL a#,14=1", "Bereichsgrenze \xFC" "berschritten: A#"},  // size-2
             Case{"POKEB a#,17=1", "Bereichsgrenze \xFC" "berschritten: A#"},
             Case{"POKEB a#,-1=1", "Bereichsgrenze \xFC" "berschritten: A#"},
             Case{"POKEW a#,16=1", "Bereichsgrenze \xFC" "berschritten: A#"},
             Case{"POKEZ a#,14=\"abc\"", "Bereichsgrenze \xFC" "berschritten: A#"},
             Case{"POKES a#,17=\"\"", "Bereichsgrenze \xFC" "berschritten: A#"},
             Case{"POKEB b#,0=1", "Bereichsvariable ist nicht DIMensioniert!"},
             Case{"POKEB a%,0=1", "Bereichs-Variable erwartet!"},
             Case{"POKEB zz#,0=1", "Variable nicht declariert: ZZ#"},
         }) {
        EXPECT_EQ(run_fresh({"DECLARE a#,b#", "DIM a#,16", c.line}), 2) << c.line;
        EXPECT_EQ(failure(), c.message) << c.line;
    }
    // The byte at offset size (the extra byte) is writable, and a string
    // without terminator may end exactly there.
    ASSERT_EQ(run_fresh({"DECLARE a#", "DIM a#,4", "POKEB a#,4=9", "POKES a#,3=\"xy\""}), 0);
    EXPECT_EQ(bytes("A#")[4], 'y');
}

TEST_F(Areas, WritesThroughAForeignAddressAreChecked) {
    // An area variable pointed at memory that is not there: runtime error
    // 207 instead of a crash.
    EXPECT_EQ(run_fresh({"DECLARE a#", "LET a#=16", "POKEB a#,0=1"}), 2);
    EXPECT_EQ(failure(), "Bereichsgrenze \xFC" "berschritten: A#");
    EXPECT_EQ(run_fresh({"DECLARE a#", "LET a#=-16", "POKEB a#,0=1"}), 2);
    EXPECT_EQ(failure(), "Bereichsgrenze \xFC" "berschritten: A#");
}

TEST_F(Areas, FieldsReadAndWrite) {
    ASSERT_EQ(run_fresh({"STRUCT rec=n%,l&,name$(4),raw#(3)", "DECLARE r#,i%,j&,s$,t$,u$", "DIM r#,REC",
                         "LET r#.n%=-1", "LET i%=r#.n%", "LET r#.l&=-7", "LET j&=r#.l&",
                         "LET r#.name$=\"abcdef\"", "LET s$=r#.name$", "LET r#.raw#=\"XYZW\"",
                         "LET t$=r#.raw#", "LET r#.raw#=\"q\"", "LET u$=r#.raw#"}),
              0);
    EXPECT_EQ(integer("i%"), 65535);
    EXPECT_EQ(long_value("j&"), -7);
    EXPECT_EQ(text("s$"), "abcd");  // 4 bytes and the zero
    const uint8_t* p = bytes("R#");
    EXPECT_EQ(std::memcmp(p + 6, "abcd\0", 5), 0);
    EXPECT_EQ(text("t$"), "XYZ");   // no terminator: the field's size
    EXPECT_EQ(text("u$"), "qYZ");   // only the string's bytes are written
    EXPECT_EQ(area("R#").size, 14);

    // In an expression line a field is an operand.
    ASSERT_EQ(run_fresh({"STRUCT rec=n%,l&", "DECLARE r#,i%", "DIM r#,rec", "LET r#.n%=65535",
                         "LET r#.l&=5", "~LET i%=r#.n%+r#.l&*2"}),
              0);
    EXPECT_EQ(integer("i%"), 65545);
}

TEST_F(Areas, WithMakesDotFieldsStandForTheArea) {
    ASSERT_EQ(run_fresh({"STRUCT rec=n%,s$(3)", "DECLARE r#,i%,s$", "DIM r#,rec", "WITH  r# ", "LET .n%=12",
                         "LET .s$=\"hey\"", "LET i%=.n%", "LET s$=.s$", "ENDWITH"}),
              0);
    EXPECT_EQ(integer("i%"), 12);
    EXPECT_EQ(text("s$"), "hey");
    EXPECT_TRUE(with_name().empty());

    EXPECT_EQ(run_fresh({"DECLARE r#", "WITH r#", "WITH r#"}), 2);
    EXPECT_EQ(failure(), "WITH-Verschachtelung nicht erlaubt!");
    EXPECT_EQ(run_fresh({"ENDWITH"}), 2);
    EXPECT_EQ(failure(), "WITH fehlt!");
    EXPECT_EQ(run_fresh({"WITH r%"}), 2);
    EXPECT_EQ(failure(), "Strukturbezeichner fehlerhaft: R%");
    EXPECT_EQ(run_fresh({"DECLARE i%", "LET i%=.n%"}), 2);
    EXPECT_EQ(failure(), "Variable nicht declariert: .N%");
}

TEST_F(Areas, FieldErrors) {
    struct Case {
        std::string line;
        const char* message;
    };
    for (const Case& c : {
             Case{"LET i%=r#.nope%", "Variable nicht declariert: R#.NOPE%"},
             Case{"LET r#.nope%=1", "Variable nicht declariert: R#.NOPE%"},
             Case{"LET i%=q#.n%", "Variable nicht declariert: Q#.N%"},
             Case{"LET i%=u#.n%", "Bereichsvariable ist nicht DIMensioniert!"},
             Case{"LET u#.n%=1", "Bereichsvariable ist nicht DIMensioniert!"},
             Case{"LET i%=p#.n%", "Variable nicht declariert: P#.N%"},  // a plain block has no fields
         }) {
        EXPECT_EQ(run_fresh({"STRUCT rec=n%", "DECLARE r#,u#,p#,i%", "DIM r#,rec", "DIM p#,10", c.line}), 2)
            << c.line;
        EXPECT_EQ(failure(), c.message) << c.line;
    }
    // A structured area pointed at memory that is not there.
    EXPECT_EQ(run_fresh({"STRUCT rec=n%", "DECLARE r#,i%", "DIM r#,rec", "LET r#=32", "LET i%=r#.n%"}), 2);
    EXPECT_EQ(failure(), "Bereichsgrenze \xFC" "berschritten: R#.N%");
    EXPECT_EQ(run_fresh({"STRUCT rec=n%", "DECLARE r#", "DIM r#,rec", "LET r#=32", "LET r#.n%=1"}), 2);
    EXPECT_EQ(failure(), "Bereichsgrenze \xFC" "berschritten: R#.N%");
}

TEST_F(Areas, ErrorModeMinusOneSkipsFailedOperations) {
    ASSERT_EQ(run_fresh({"ERRORMODE -1", "DECLARE a#,i%", "DIM a#,4", "DIM a#,8", "POKEL a#,2=1",
                         "LET i%=a#.x%", "WITH a#", "WITH b#", "STRUCT bad", "DISPOSE a#", "DISPOSE a#"}),
              0);
    EXPECT_EQ(area("A#").data, 0u);
    EXPECT_EQ(with_name(), "A#");
}

}  // namespace
}  // namespace tolven::testing
