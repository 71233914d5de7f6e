#pragma once

#include <stdexcept>

// The grid refuses an assignment it cannot take: a row or column out of range
// (-1 included), a negative width. Callers that run tolerant steps skip it.
class GridRangeError : public std::out_of_range
{
public:
    using std::out_of_range::out_of_range;
};

// An edit control was asked for a member its kind does not have (the text of a
// check box, the value of a text box), or for one it cannot serve right now
// (focus on a hidden control).
class MissingMemberError : public std::logic_error
{
public:
    using std::logic_error::logic_error;
};

// An edit control refused a value: a text its list does not hold, an index
// outside its list.
class InvalidValueError : public std::invalid_argument
{
public:
    using std::invalid_argument::invalid_argument;
};
