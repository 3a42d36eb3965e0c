package it.tavora.velmora.maven;

/**
 * A Maven version as the 1 to 4 numbers a Windows version resource holds: the leading numbers
 * (at most four), without the qualifier (-SNAPSHOT, -beta-2, .Final, -RC1); a build number
 * (1.2.3-4) becomes the fourth number.
 */
final class WindowsVersion {
    private WindowsVersion() {}

    /** Null when the version starts with no number; throws when a number exceeds 65535. */
    static String of(String mavenVersion) {
        String v = mavenVersion.trim();
        StringBuilder numbers = new StringBuilder();
        int count = 0, at = 0;
        while (at < v.length() && Character.isDigit(v.charAt(at))) {
            int end = at;
            while (end < v.length() && Character.isDigit(v.charAt(end))) end++;
            if (count < 4) appendNumber(numbers, v.substring(at, end), mavenVersion);
            count++;
            at = end;
            if (at + 1 < v.length() && v.charAt(at) == '.' && Character.isDigit(v.charAt(at + 1))) at++;
            else break;
        }
        if (count == 0) return null;
        String rest = v.substring(at);
        if (count < 4 && rest.length() > 1 && rest.charAt(0) == '-' && rest.substring(1).chars().allMatch(Character::isDigit)) {
            for (; count < 3; count++) numbers.append(".0");
            appendNumber(numbers, rest.substring(1), mavenVersion);
        }
        return numbers.toString();
    }

    private static void appendNumber(StringBuilder numbers, String digits, String mavenVersion) {
        String trimmed = digits.replaceFirst("^0+(?=.)", "");
        if (trimmed.length() > 5 || Integer.parseInt(trimmed) > 65535)
            throw new IllegalArgumentException("the project's version " + mavenVersion
                    + " cannot be a Windows version (each number is at most 65535): set appVersion");
        if (numbers.length() > 0) numbers.append('.');
        numbers.append(trimmed);
    }
}
