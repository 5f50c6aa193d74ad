#pragma once
// Formulas: a formula block computes the possibility of its conclusion block from the
// possibilities of other blocks.
//
// The formula language
//   formula   := sum
//   sum       := product { ("+" | "-") product }
//   product   := unary { ("*" | "/") unary }
//   unary     := "-" unary | "+" unary | primary
//   primary   := number | reference | "(" sum ")"
//   number    := digits [ "." digits ] | "." digits      (the decimal separator is ".")
//   reference := "<" block name ">"                      (blanks inside are ignored)
// Blanks, tabs and line ends between the parts are ignored. A reference stands for the
// referenced block's possibility in force: the reader's own possibility of the block when
// the reader has a property for it, else the block's possibility. A conclusion that a
// formula computes takes the formula's value, cut to a whole number between 0 and 100.
// Every fault gives an English error text: an unknown or deleted block, a syntax fault
// with its 1-based position, division by zero, a value out of range, a formula naming its
// own conclusion, and (for the whole discussion) a cycle of formulas.

#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"

#include <string>
#include <string_view>
#include <vector>

class TDiscussion;

// The user's relation (TUser) from a conclusion to the formula chosen to compute it.
inline constexpr uint8_t UserRelation_SelectedFormula = 3;

// A formula that could not be evaluated, and why.
struct TFormulaError {
  TDiscBlockIndex Formula;
  TStr Text;
};

// A formula compiled against a discussion: numbers, resolved references and operators in
// postfix order.
struct TFormulaProgram {
  // Computed: a conclusion computed earlier in the same pass over all formulas; its value
  // is read from that pass's table at the position in Value.
  enum : uint8_t { Number, Reference, Computed, Add, Subtract, Multiply, Divide, Negate };
  struct TStep {
    uint8_t Op = Number;
    double Value = 0;
    TDiscBlockIndex Block;
  };
  std::vector<TStep> Steps;

  // Compiles the text; false with the error text on a fault.
  bool Compile(const TDiscussion& discussion, std::string_view text, std::string& error);
  // Runs the program on the possibilities in force (and the computed table); false with
  // the error text on a fault.
  bool Run(TDiscussion& discussion, double& value, std::string& error,
           const std::vector<double>* computed = nullptr) const;
};

// The possibility in force of a block: the reader's own when the reader has a property
// for the block, else the block's.
int GetPossibilityInForce(TDiscussion& discussion, TDiscBlockIndex block);

// Evaluates a formula text for a conclusion. With store set (flag 1) a valid result
// becomes the conclusion's possibility in force (the reader's property, created when
// missing) and the formula block's value flag, each change with an undo record. A
// non-empty error text means the formula is invalid; nothing is stored then.
bool CalculateFormula(TDiscussion& discussion, TDiscBlockIndex conclusion, TDiscBlockIndex formula,
                      const TStr& formulaText, TStr& errorText, double& value, int flag);

// The possibility a formula value gives a conclusion: cut to a whole number, 0..100.
int FormulaValueToPossibility(double value);
