// The lenient XML reader's steps: tags, texts, CDATA sections and entities.
//
// The reader fills a CXMLVar tree (CXMLVar::ParseDocument / Parse, defined in
// reader.cpp) the way the catalogues and version lists already published
// have always been read, odd corners included, so that they keep reading the
// same:
// - it checks no well-formedness, compares no end-tag names (an end tag
//   closes whatever element is open) and reports nothing; the end of the
//   input ends every loop and leaves the tree as read so far;
// - texts are kept untrimmed and are single-byte Windows-1252; the encoding
//   named in a declaration is ignored;
// - only a double quote quotes inside a tag, so a comment holding a lone
//   double quote runs on past its own '>';
// - decoding knows seven entities and drops every byte from 0xC0 up (so a
//   UTF-8 pound sign, 0xC2 0xA3, reads as the Windows-1252 one).
// What it does differently: a UTF-8 byte-order mark at the very start of a
// document is skipped, and nesting costs heap, not call stack.
//
// Pure functions over an XMLInput; one thread per input.
#pragma once

#include <string>

#include "xml/xml_input.h"

// One tag as read: its text lies between the opening character and the
// closing '>', without the '/' of an end tag or a self-closing tag's
// trailing '/'.
struct XMLTag {
  std::string text;
  // Self-closing, or an instruction (text ends with "?"), or a comment,
  // declaration or CDATA section (text begins with "!").
  bool isEmpty = false;
  bool isEnd = false;
};

// Skips white space, takes the opening character whatever it is, notes a '/'
// after it, and reads the tag's text.
XMLTag ReadTag(XMLInput& input);

// Up to the '>' that closes the tag (not kept): '<' and '>' nest outside
// double quotes; a text that starts "![CDATA[" runs on through "]]>".
std::string ReadTagText(XMLInput& input);

// Up to and including the first "]]>", or to the end of the input.
std::string ReadCData(XMLInput& input);

// Up to the next '<' (not taken) or the end of the input, as it stands.
std::string ReadText(XMLInput& input);

// One pass over text: the seven known entities become their characters, any
// other '&' sequence stays, and bytes from 0xC0 up are dropped.
std::string DecodeEntities(std::string text);
