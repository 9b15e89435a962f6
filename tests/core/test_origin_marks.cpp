#include "core/origin_marks.h"

#include <gtest/gtest.h>

using namespace pla;

namespace {

const TDishRef A{"0000000001", "0002"};
const TDishRef B{"0000000002", "0002"};
const TDishRef C{"0000000003", "0002"};

TMarkContext menu(char type) {
    TMarkContext c;
    c.MenuType = QChar(type);
    return c;
}

TMarkContext release(bool parameterised, bool ofGroup, bool flag, bool keep, bool moduFili) {
    TMarkContext c = menu('D');
    c.DependsOnRelease = true;
    c.GroupParameterised = parameterised;
    c.OperatorOfGroup = ofGroup;
    c.CentralFlag = flag;
    c.Keep = keep;
    c.ModuFili = moduFili;
    return c;
}

} // namespace

TEST(OriginMarks, PasteByMenuTypeAndGroup) {
    EXPECT_EQ(MarcaColagem(menu('N'), A, {}), QChar('N'));
    TMarkContext s = menu('S');
    s.GroupParameterised = true;
    s.OperatorOfGroup = true;
    EXPECT_EQ(MarcaColagem(s, A, {}), QChar('R')) << "the group revises";
    s.OperatorOfGroup = false;
    EXPECT_EQ(MarcaColagem(s, A, {}), QChar('S')) << "outside the group departs";
    s.GroupParameterised = false;
    s.OperatorOfGroup = true;
    EXPECT_EQ(MarcaColagem(s, A, {}), QChar('S')) << "no parameterised group";
    // The same dish pasted over itself keeps the cell's mark.
    TMarkDishes former;
    former.Former = A;
    EXPECT_TRUE(MarcaColagem(menu('N'), A, former).isNull());
    EXPECT_TRUE(MarcaColagem(s, A, former).isNull());
    EXPECT_EQ(MarcaColagem(s, B, former), QChar('S'));
    // A dish with a blank code never counts as "the same".
    EXPECT_EQ(MarcaColagem(menu('N'), TDishRef{}, TMarkDishes{}), QChar('N'));
}

TEST(OriginMarks, PasteIntoAReleaseDependentMenu) {
    TMarkDishes d;
    d.Central = A;
    d.Excluded = B;
    // Central flag "S": the central or the excluded dish with keep is N.
    EXPECT_EQ(MarcaColagem(release(true, false, true, true, false), A, d), QChar('N'));
    EXPECT_EQ(MarcaColagem(release(true, false, true, true, false), B, d), QChar('N'));
    EXPECT_EQ(MarcaColagem(release(true, false, true, false, false), A, d), QChar('S'))
        << "without keep the central dish is a departure too";
    EXPECT_EQ(MarcaColagem(release(true, true, true, true, false), C, d), QChar('R'));
    EXPECT_EQ(MarcaColagem(release(true, false, true, true, false), C, d), QChar('S'));
    EXPECT_EQ(MarcaColagem(release(true, true, false, true, false), C, d), QChar('N'))
        << "central flag not S";
    TMarkContext notDependent = menu('D');
    notDependent.OperatorOfGroup = true;
    EXPECT_EQ(MarcaColagem(notDependent, C, d), QChar('N'));
}

TEST(OriginMarks, SelectionIntoAnEmptyCell) {
    EXPECT_EQ(MarcaInclusao(menu('N'), A, {}), QChar('N'));
    TMarkContext s = menu('S');
    EXPECT_EQ(MarcaInclusao(s, A, {}), QChar('N')) << "no head office followed";
    s.CentralBranchSet = true;
    EXPECT_EQ(MarcaInclusao(s, A, {}), QChar('S'));
    s.GroupParameterised = true;
    s.OperatorOfGroup = true;
    EXPECT_EQ(MarcaInclusao(s, A, {}), QChar('R'));

    TMarkDishes d;
    d.Central = A;
    d.Excluded = B;
    // Parameterised group.
    EXPECT_EQ(MarcaInclusao(release(true, true, false, false, false), C, d), QChar('N'));
    EXPECT_EQ(MarcaInclusao(release(true, true, true, true, false), A, d), QChar('N'));
    EXPECT_EQ(MarcaInclusao(release(true, true, true, false, false), A, d), QChar('R'));
    EXPECT_EQ(MarcaInclusao(release(true, true, true, true, false), B, d), QChar('N'));
    EXPECT_EQ(MarcaInclusao(release(true, true, true, true, false), C, d), QChar('R'));
    EXPECT_EQ(MarcaInclusao(release(true, false, true, true, false), B, d), QChar('N'));
    EXPECT_EQ(MarcaInclusao(release(true, false, true, true, false), C, d), QChar('S'));
    // Not parameterised: the central dish is N even without keep; then ModuFili.
    EXPECT_EQ(MarcaInclusao(release(false, false, true, false, false), A, d), QChar('N'));
    EXPECT_EQ(MarcaInclusao(release(false, false, true, true, true), B, d), QChar('N'));
    EXPECT_EQ(MarcaInclusao(release(false, false, true, true, true), C, d), QChar('S'));
    EXPECT_EQ(MarcaInclusao(release(false, false, true, false, false), B, d), QChar('R'));
    EXPECT_EQ(MarcaInclusao(release(false, false, true, true, false), C, d), QChar('R'));
}

TEST(OriginMarks, SelectionReplacingADish) {
    TMarkDishes same;
    same.Former = A;
    EXPECT_TRUE(MarcaSubstituicao(menu('N'), A, same).isNull()) << "same dish keeps its mark";
    EXPECT_EQ(MarcaSubstituicao(menu('N'), B, same), QChar('N'));
    TMarkContext s = menu('S');
    EXPECT_EQ(MarcaSubstituicao(s, B, same), QChar('S'))
        << "a replacement in type S does not ask for the head office";
    s.GroupParameterised = true;
    s.OperatorOfGroup = true;
    EXPECT_EQ(MarcaSubstituicao(s, B, same), QChar('R'));

    TMarkDishes d;
    d.Central = A;
    d.Former = B;
    d.Recorded = C;
    EXPECT_EQ(MarcaSubstituicao(release(true, true, false, false, false), B, d), QChar('N'));
    EXPECT_EQ(MarcaSubstituicao(release(true, true, true, true, false), A, d), QChar('N'));
    EXPECT_EQ(MarcaSubstituicao(release(true, true, true, true, false), C, d), QChar('N'))
        << "back to the recorded central dish";
    EXPECT_EQ(MarcaSubstituicao(release(true, true, true, false, false), C, d), QChar('R'));
    EXPECT_EQ(MarcaSubstituicao(release(true, false, true, false, false), C, d), QChar('S'));
    EXPECT_EQ(MarcaSubstituicao(release(false, false, true, true, true), C, d), QChar('N'));
    EXPECT_EQ(MarcaSubstituicao(release(false, false, true, true, true), B, d), QChar('S'));
    EXPECT_EQ(MarcaSubstituicao(release(false, false, true, true, false), B, d), QChar('R'));
    EXPECT_EQ(MarcaSubstituicao(release(false, false, true, false, false), A, d), QChar('R'))
        << "not parameterised: the central dish without keep departs";
    TMarkContext notDependent = menu('D');
    EXPECT_EQ(MarcaSubstituicao(notDependent, B, d), QChar('N'));
}

TEST(OriginMarks, ReturnedToTypesNAndS) {
    TMarkDishes cell;
    cell.Former = A;
    EXPECT_EQ(MarcaRetorno(menu('N'), B, cell), QChar('N'));
    EXPECT_EQ(MarcaRetorno(menu('N'), A, cell), QChar('N'));
    TMarkContext s = menu('S');
    s.GroupParameterised = true;
    s.OperatorOfGroup = true;
    EXPECT_EQ(MarcaRetorno(s, A, cell), QChar('N')) << "the same dish, whatever its mark was";
    EXPECT_EQ(MarcaRetorno(s, B, cell), QChar('R')) << "the group's operator, no head office";
    s.OperatorOfGroup = false;
    EXPECT_EQ(MarcaRetorno(s, B, cell), QChar('S'));
    s.GroupParameterised = false;
    s.OperatorOfGroup = true;
    EXPECT_EQ(MarcaRetorno(s, B, cell), QChar('S')) << "a group that is not parameterised";
    s.CentralBranchSet = true;
    s.GroupParameterised = true;
    EXPECT_EQ(MarcaRetorno(s, B, cell), QChar('N')) << "following a head office";
    EXPECT_EQ(MarcaRetorno(s, B, TMarkDishes{}), QChar('N')) << "an empty cell";
}

TEST(OriginMarks, ReturnedToAReleaseDependentMenu) {
    TMarkDishes withCentral;
    withCentral.Central = C;
    withCentral.Former = A;
    TMarkDishes noCentral;
    noCentral.Former = A;
    // D without release dependence: always N.
    EXPECT_EQ(MarcaRetorno(menu('D'), B, withCentral), QChar('N'));
    // A head-office operator (not per branch, no group) with the central flag "N".
    const TMarkContext mNoFlag = release(false, false, false, false, false);
    ASSERT_EQ(TipoOperador(mNoFlag), QChar('M'));
    EXPECT_EQ(MarcaRetorno(mNoFlag, B, withCentral), QChar('N'));
    EXPECT_EQ(MarcaRetorno(mNoFlag, B, noCentral), QChar('N'));
    // The group's operator with the central flag "S".
    const TMarkContext m = release(true, true, true, false, false);
    ASSERT_EQ(TipoOperador(m), QChar('M'));
    EXPECT_EQ(MarcaRetorno(m, C, withCentral), QChar('N')) << "the central dish itself";
    EXPECT_EQ(MarcaRetorno(m, A, withCentral), QChar('N')) << "central exists, same dish";
    EXPECT_EQ(MarcaRetorno(m, B, withCentral), QChar('R')) << "central exists, another dish";
    EXPECT_TRUE(MarcaRetorno(m, A, noCentral).isNull()) << "no central, same: the name as it was";
    EXPECT_EQ(MarcaRetorno(m, B, noCentral), QChar('R'));
    EXPECT_EQ(MarcaRetorno(m, B, TMarkDishes{}), QChar('R')) << "an empty cell";
    // A branch's operator: outside the group, or working per branch; the flag does not
    // matter to it.
    for (const TMarkContext& f :
         {release(true, false, true, false, false), release(false, false, false, false, true)}) {
        ASSERT_EQ(TipoOperador(f), QChar('F'));
        EXPECT_EQ(MarcaRetorno(f, C, withCentral), QChar('N'));
        EXPECT_EQ(MarcaRetorno(f, A, withCentral), QChar('N'));
        EXPECT_EQ(MarcaRetorno(f, B, withCentral), QChar('S'));
        EXPECT_TRUE(MarcaRetorno(f, A, noCentral).isNull());
        EXPECT_EQ(MarcaRetorno(f, B, noCentral), QChar('S'));
    }
}
