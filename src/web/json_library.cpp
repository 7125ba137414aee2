#include <boost/json/src.hpp> // Boost.JSON, compiled into this library from its headers
