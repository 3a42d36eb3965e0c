package it.tavora.velmora.maven;

import java.time.Instant;
import java.time.OffsetDateTime;
import java.time.format.DateTimeParseException;

/** project.build.outputTimestamp as Maven reads it, in seconds since 1970 for SOURCE_DATE_EPOCH. */
final class BuildTimestamp {
    private static final Instant EARLIEST = Instant.parse("1980-01-01T00:00:02Z");  // ZIP times start in 1980
    private static final Instant LATEST = Instant.parse("2099-12-31T23:59:59Z");

    private BuildTimestamp() {}

    /** Null when unset: empty, or one character, Maven's way of turning it off. */
    static Long epochSeconds(String value) {
        if (value == null || value.trim().length() < 2) return null;
        String v = value.trim();
        Instant instant;
        try {
            instant = v.chars().allMatch(Character::isDigit) ? Instant.ofEpochSecond(Long.parseLong(v))
                                                              : OffsetDateTime.parse(v).toInstant();
        } catch (DateTimeParseException | NumberFormatException e) {
            throw new IllegalArgumentException("project.build.outputTimestamp '" + value
                    + "' is neither seconds since 1970 nor an ISO 8601 time such as 2024-01-01T00:00:00Z");
        }
        if (instant.isBefore(EARLIEST) || instant.isAfter(LATEST))
            throw new IllegalArgumentException("project.build.outputTimestamp '" + value
                    + "' is outside 1980-01-01T00:00:02Z to 2099-12-31T23:59:59Z");
        return instant.getEpochSecond();
    }
}
